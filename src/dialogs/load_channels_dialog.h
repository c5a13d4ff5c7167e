// The dialog that brings channels from a file into the catalogue: the user picks a channel
// file or an M3U playlist, is offered every channel whose address the catalogue does not
// hold yet, and the channels that stay checked are appended to the catalogue on OK.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalogue/channel_table.h"
#include "catalogue/fixed_text.h"
#include "i18n/translation_table.h"
#include "platform/channels_menu_port.h"
#include "platform/collation_port.h"
#include "platform/dialog_port.h"
#include "platform/file_port.h"

namespace telvia {

struct LoadChannelsSubject {
    ChannelTable& channels;
    // The country of playlist entries that name none.
    const FixedText<4>& homeCountry;
    std::u16string_view productName;
};

struct LoadChannelsPorts {
    FilePort& files;
    CollationPort& collation;
    ChannelsMenuPort& channelsMenu;
};

class LoadChannelsDialog final : public DialogHandler {
public:
    // With a file, the dialog takes it as if the user had picked it in the file dialog
    // (a file named on the command line or handed over by a second start).
    LoadChannelsDialog(LoadChannelsSubject subject, LoadChannelsPorts ports,
                       const TranslationTable& translations,
                       std::optional<std::u16string> file = std::nullopt);

    // Asks for the file first, unless it was given; a cancelled choice, a file that cannot
    // be read or one with nothing new ends the dialog before it is ever shown.
    void onInit(DialogView& view) override;
    void onCommand(int controlId) override;
    // The columns take their widths for the new resolution.
    void onDpiChanged(int dpi) override;

private:
    // Fills the list with the file's new channels and says how many entries of the file
    // were left out; nothing when the dialog has ended.
    std::optional<int> offerChannelsOf(std::u16string_view path);
    void append();
    void showInformation(std::u16string_view text);

    LoadChannelsSubject subject_;
    LoadChannelsPorts ports_;
    const TranslationTable& translations_;
    std::optional<std::u16string> file_;
    DialogView* view_ = nullptr;
};

}  // namespace telvia
