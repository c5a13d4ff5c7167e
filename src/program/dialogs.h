// The modal dialogs opened from the main window, each run on its dialog template.
#pragma once

#include "platform/dialog_port.h"
#include "platform/win32/windows_includes.h"

namespace telvia::program {

class Dialogs final : public DialogPort {
public:
    Dialogs(HINSTANCE instance, const HWND& owner) : instance_(instance), owner_(owner) {}

    void runAboutBox() override;
    void runModal(int templateId, DialogHandler& handler) override;

private:
    HINSTANCE instance_;
    const HWND& owner_;
};

}  // namespace telvia::program
