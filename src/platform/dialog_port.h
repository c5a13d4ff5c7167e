// The modal dialogs that the main window opens. A dialog's decisions belong to a handler
// object in the portable code; the port shows the dialog, forwards what happens in it to
// the handler and gives the handler a view of its controls while it is open.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/channel_list_port.h"
#include "platform/text_ports.h"

namespace telvia {

class DialogHandler;

// One entry of a file dialog's type list: what the user reads, and the patterns it stands
// for, separated by ';' ("*.m3u;*.m3u8").
struct FileTypeFilter {
    std::u16string_view label;
    std::u16string_view patterns;
};

// An open dialog's window and controls, addressed by control id. Valid from the handler's
// onInit until the dialog has ended. Translated 8-bit texts go in through DialogTextPort.
class DialogView : public DialogTextPort {
public:
    // A title in UTF-16 (the dialog's own texts; translated ones come as 8-bit texts).
    virtual void setTitle(std::u16string_view title) = 0;
    // The title as it stands, whichever text set it last.
    [[nodiscard]] virtual std::u16string title() = 0;
    virtual void enableControl(int controlId, bool enabled) = 0;
    virtual void showControl(int controlId, bool shown) = 0;
    // The whole dialog window takes no input while disabled.
    virtual void enableWindow(bool enabled) = 0;
    // Ends the dialog with the result once the current message has been handled.
    virtual void end(int result) = 0;

    // The list of channels, control 1000 of the channel dialogs.
    [[nodiscard]] virtual ChannelListPort& channelList() = 0;

    // Edit boxes, check boxes and a combo box's edit field.
    virtual void limitText(int controlId, std::size_t maxLength) = 0;
    virtual void setText(int controlId, std::u16string_view text) = 0;
    [[nodiscard]] virtual std::u16string text(int controlId, std::size_t maxLength) = 0;
    virtual void setChecked(int controlId, bool checked) = 0;
    [[nodiscard]] virtual bool isChecked(int controlId) = 0;

    // A drop-down combo box whose list is kept sorted and in capital letters.
    // The first item that begins with the text, compared without regard to case; -1 if none.
    [[nodiscard]] virtual int findComboItem(int controlId, std::u16string_view prefix) = 0;
    virtual void addComboItem(int controlId, std::u16string_view text) = 0;
    // Selects the item and shows its text in the edit field.
    virtual void selectComboItem(int controlId, int index) = 0;
    [[nodiscard]] virtual int comboItemCount(int controlId) = 0;

    // Message boxes owned by the dialog, with the information or the question icon.
    virtual void showInformation(std::u16string_view text, std::u16string_view caption) = 0;
    // Yes and No, No as the default button; true for Yes.
    [[nodiscard]] virtual bool askYesNo(std::u16string_view text, std::u16string_view caption) = 0;

    // The system's dialog for picking a file to open, owned by this dialog: explorer style,
    // resizable, without the read-only box, the folder of a typed name must exist (the file
    // need not), and the process's current directory stays as it was. The first filter is
    // the one shown at first. Nothing when the user cancels or the path does not fit the
    // 260 characters of a path.
    [[nodiscard]] virtual std::optional<std::u16string> askFileToOpen(
        std::u16string_view title, std::span<const FileTypeFilter> filters) = 0;

    // Runs another dialog modally over this one and returns when it has ended.
    virtual void runChild(int templateId, DialogHandler& handler) = 0;
};

// What a dialog does, decided by the portable code.
class DialogHandler {
public:
    virtual ~DialogHandler() = default;

    // The dialog has been created and its controls exist.
    virtual void onInit(DialogView& view) = 0;
    // A button was pressed; Enter gives the default button, Esc and the close box Cancel (2).
    virtual void onCommand(int controlId) = 0;
    // The list reported a changed row (selection, focus or check box).
    virtual void onListItemChanged() {}
    // A double click in the list.
    virtual void onListDoubleClick() {}
    // The Delete key in the list.
    virtual void onListDeleteKey() {}
    // The dialog has moved to a display of `dpi` dots per inch. The system has scaled the
    // dialog, its controls and their fonts already; sizes of the handler's own are its to scale.
    virtual void onDpiChanged(int dpi) { (void)dpi; }
};

class DialogPort {
public:
    virtual ~DialogPort() = default;

    virtual void runAboutBox() = 0;
    // Runs the dialog of the template modally over the main window, forwarding to the
    // handler, and returns when it has ended.
    virtual void runModal(int templateId, DialogHandler& handler) = 0;
};

}  // namespace telvia
