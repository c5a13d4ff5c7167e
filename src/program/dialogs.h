// The modal dialogs opened from the main window, each run on its dialog template.
#pragma once

#include "platform/dialog_port.h"
#include "platform/win32/base/windows_includes.h"
#include "platform/win32/desktop/win32_main_window.h"

namespace telvia::program {

class Dialogs final : public DialogPort {
public:
    Dialogs(HINSTANCE instance, const win32::Win32MainWindow& owner) : instance_(instance), owner_(owner) {}

    void runAboutBox() override;
    void runModal(int templateId, DialogHandler& handler) override;

private:
    HINSTANCE instance_;
    const win32::Win32MainWindow& owner_;
};

}  // namespace telvia::program
