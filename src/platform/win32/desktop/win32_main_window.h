// The main window as the logic sees it.
#pragma once

#include "platform/main_window_port.h"
#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

class Win32MainWindow final : public MainWindowPort {
public:
    // Bound while the window is being created, before its start-up sequence runs.
    void attach(HWND window) { window_ = window; }
    [[nodiscard]] HWND handle() const { return window_; }

    void setTitle(std::u16string_view title) override;
    void destroy() override;
    void postCommand(int commandId) override;
    void postQuit(int exitCode) override;
    void startTimer(int timerId, int periodMs) override;
    void checkMenuRadio(int firstId, int lastId, int checkedId) override;
    Point cursorPosition() override;

private:
    HWND window_ = nullptr;
};

}  // namespace telvia::win32
