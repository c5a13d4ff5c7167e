// A dialog box of the program (class #32770), read and operated from outside: control
// texts by id and button presses. Standard controls answer WM_GETTEXT across processes.
// A message box is such a dialog too; its text is the static control 65535.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "driver/telvia_process.h"
#include "driver/win32.h"
#include "driver/window_search.h"

namespace telvia::e2e {

class Dialog {
public:
    // The control that holds the text of a message box.
    static constexpr int messageTextId = 0xFFFF;

    // Waits for a visible dialog of `process` owned by its main window.
    [[nodiscard]] static Dialog waitForOwned(const TelviaProcess& process,
                                             std::chrono::milliseconds timeout = defaultTimeout);
    // Waits up to `within` for a visible dialog of `process` owned by its main window and
    // answers it; nothing when none appeared. For dialogs that a scenario does not depend
    // on but must close when they come (a modal dialog holds the program's input).
    [[nodiscard]] static std::optional<Dialog> findOwned(const TelviaProcess& process,
                                                         std::chrono::milliseconds within);
    // Waits for a visible dialog of `process` with the title `title`, whatever its owner
    // (message boxes without an owner, dialogs opened from other dialogs).
    [[nodiscard]] static Dialog waitForTitled(const TelviaProcess& process, std::wstring_view title,
                                              std::chrono::milliseconds timeout = defaultTimeout);

    [[nodiscard]] HWND handle() const { return window_; }
    [[nodiscard]] std::wstring title() const { return windowText(window_); }
    [[nodiscard]] bool hasControl(int id) const { return GetDlgItem(window_, id) != nullptr; }
    // The text of control `id`; throws when there is no such control or it does not answer.
    [[nodiscard]] std::wstring controlText(int id) const;
    // Replaces the text of control `id` as typing it would leave it (WM_SETTEXT, which
    // carries its text across processes); throws when there is no such control.
    void setControlText(int id, std::wstring_view text) const;
    // The window of control `id`; throws when there is none.
    [[nodiscard]] HWND control(int id) const;
    [[nodiscard]] bool controlEnabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }

    // Posts the WM_COMMAND a click on button `id` sends (BN_CLICKED, the button's handle).
    // Ids without a control (IDCANCEL of a box without a Cancel button, which Esc and the
    // close box send) are posted with no handle.
    void press(int id) const;
    // Whether the dialog is gone within `timeout`.
    [[nodiscard]] bool waitClosed(std::chrono::milliseconds timeout = defaultTimeout) const;

private:
    explicit Dialog(HWND window) : window_(window) {}

    HWND window_;
};

}  // namespace telvia::e2e
