#include "program/modal_dialog.h"

namespace telvia::program {

INT_PTR ModalDialog::run(HINSTANCE instance, int templateId, HWND owner)
{
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, &ModalDialog::procedure,
                           reinterpret_cast<LPARAM>(this));
}

bool ModalDialog::onCommand(int, int)
{
    return false;
}

bool ModalDialog::onNotify(const NMHDR&, LRESULT&)
{
    return false;
}

void ModalDialog::onDpiChanged(int)
{
}

INT_PTR CALLBACK ModalDialog::procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* const self = reinterpret_cast<ModalDialog*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        self->window_ = dialog;
    }
    // Messages before WM_INITDIALOG (WM_SETFONT among them) find no object yet.
    auto* const self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    try {
        return self->dispatch(message, wParam, lParam);
    } catch (...) {
        // Unwinding through the system's frames is undefined. Ending as cancelled leaves
        // everything the dialog would have changed as it was.
        EndDialog(dialog, failed);
        return TRUE;
    }
}

INT_PTR ModalDialog::dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInit() ? TRUE : FALSE;
    case WM_COMMAND:
        return onCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (!onNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) {
            return FALSE;
        }
        // A dialog procedure hands a notification's result over through DWLP_MSGRESULT.
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
        return TRUE;
    }
    case WM_DPICHANGED:
        // The new resolution is the same on both axes; the scaling of the dialog itself is
        // the dialog manager's default.
        onDpiChanged(LOWORD(wParam));
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace telvia::program
