// A dialog whose decisions belong to a portable handler: this procedure side forwards
// initialisation, button commands and the channel list's notifications to the handler,
// and offers it the dialog's controls.
#pragma once

#include "platform/dialog_port.h"
#include "platform/win32/desktop/win32_dialog_controls.h"
#include "program/modal_dialog.h"

namespace telvia::program {

class PresenterDialog final : public ModalDialog, public win32::Win32DialogControls {
public:
    PresenterDialog(DialogHandler& handler, HINSTANCE instance)
        : handler_(handler), instance_(instance)
    {
    }

    // Runs the template modally over the owner; returns what the handler ended it with.
    INT_PTR run(int templateId, HWND owner) { return ModalDialog::run(instance_, templateId, owner); }

    void runChild(int templateId, DialogHandler& handler) override;

protected:
    bool onInit() override;
    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;
    void onDpiChanged(int dpi) override;

private:
    DialogHandler& handler_;
    HINSTANCE instance_;
    // While the handler's onInit fills the list, the list's own notifications are not
    // forwarded: the handler is still setting up and sets its buttons at the end anyway.
    bool initialising_ = false;
};

}  // namespace telvia::program
