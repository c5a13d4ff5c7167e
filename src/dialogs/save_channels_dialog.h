// The dialog in which the user checks channels of the catalogue and writes them to a
// channel file for someone else. The catalogue itself is not changed.
#pragma once

#include <string_view>

#include "catalogue/channel_table.h"
#include "i18n/translation_table.h"
#include "platform/collation_port.h"
#include "platform/dialog_port.h"
#include "platform/file_port.h"

namespace telvia {

// Relative, so it lands in the current directory, which the program never changes: the
// folder the user started it in, normally the program's own.
inline constexpr std::u16string_view savedChannelsFile = u"channels.qcl";

struct SaveChannelsSubject {
    const ChannelTable& channels;
    std::u16string_view productName;
};

class SaveChannelsDialog final : public DialogHandler {
public:
    SaveChannelsDialog(SaveChannelsSubject subject, FilePort& files, CollationPort& collation,
                       const TranslationTable& translations);

    void onInit(DialogView& view) override;
    void onCommand(int controlId) override;
    // The columns take their widths for the new resolution.
    void onDpiChanged(int dpi) override;

private:
    void save();

    SaveChannelsSubject subject_;
    FilePort& files_;
    CollationPort& collation_;
    const TranslationTable& translations_;
    DialogView* view_ = nullptr;
};

}  // namespace telvia
