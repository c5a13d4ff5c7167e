// The base of every modal dialog: one static procedure keeps the dialog object from
// WM_INITDIALOG on and forwards the messages a dialog acts on to it. Nothing thrown inside
// a handler crosses into the system: the dialog then ends as cancelled.
#pragma once

#include "platform/win32/base/windows_includes.h"

namespace telvia::program {

class ModalDialog {
public:
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;
    virtual ~ModalDialog() = default;

    // What a dialog that failed inside a handler, or could not be created, returns.
    static constexpr INT_PTR failed = -1;

    // Runs the dialog of the template until it ends; returns what was given to end().
    INT_PTR run(HINSTANCE instance, int templateId, HWND owner);

protected:
    ModalDialog() = default;

    [[nodiscard]] HWND window() const { return window_; }
    [[nodiscard]] HWND control(int id) const { return GetDlgItem(window_, id); }
    void end(INT_PTR result) { EndDialog(window_, result); }

    // WM_INITDIALOG. True lets the system put the focus on the first control.
    virtual bool onInit() = 0;
    // WM_COMMAND from a control, a menu or an accelerator; true when handled.
    virtual bool onCommand(int id, int notifyCode);
    // WM_NOTIFY from a control; true when handled, with the message's result in result.
    virtual bool onNotify(const NMHDR& header, LRESULT& result);
    // WM_DPICHANGED: the dialog has moved to a display of `dpi` dots per inch. The system
    // goes on to scale the dialog and its controls whatever this does.
    virtual void onDpiChanged(int dpi);

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

}  // namespace telvia::program
