// The dialog in which the user maintains the catalogue: marks, adds, edits and deletes
// channels, opens a channel's home page or plays a channel from the list. It works on a
// copy of the catalogue in its list; only OK and Play write the list back.
#pragma once

#include <string_view>

#include "catalogue/channel.h"
#include "catalogue/channel_table.h"
#include "catalogue/fixed_text.h"
#include "dialogs/channel_form.h"
#include "i18n/translation_table.h"
#include "platform/channels_menu_port.h"
#include "platform/collation_port.h"
#include "platform/dialog_port.h"
#include "platform/main_window_port.h"
#include "platform/shell_port.h"

namespace telvia {

// What the dialog reads and changes of the program's state.
struct EditChannelsSubject {
    ChannelTable& channels;
    Channel& current;  // Play makes the played row the current channel
    const FixedText<4>& homeCountry;
    std::u16string_view productName;
};

// The ports the dialog reaches beyond its own window.
struct EditChannelsPorts {
    ShellPort& shell;
    CollationPort& collation;
    ChannelsMenuPort& channelsMenu;
    MainWindowPort& window;  // Play asks it to connect
};

// Whether a home page may be handed to the shell: only web addresses, never a program,
// a local file or another protocol that a shared channel file could carry.
[[nodiscard]] bool isWebAddress(std::u16string_view address);

class EditChannelsDialog final : public DialogHandler {
public:
    EditChannelsDialog(EditChannelsSubject subject, EditChannelsPorts ports,
                       const TranslationTable& translations);

    void onInit(DialogView& view) override;
    void onCommand(int controlId) override;
    // The columns take their widths for the new resolution.
    void onDpiChanged(int dpi) override;
    void onListItemChanged() override;
    // A double click edits the row, the Delete key deletes it, as their buttons do.
    void onListDoubleClick() override;
    void onListDeleteKey() override;

private:
    ChannelListPort& list() { return view_->channelList(); }
    void updateEditButtons();
    void openForm(FormMode mode);
    void add();
    void edit();
    void remove();
    void play();
    void visit();
    void accept();

    EditChannelsSubject subject_;
    EditChannelsPorts ports_;
    const TranslationTable& translations_;
    DialogView* view_ = nullptr;
};

}  // namespace telvia
