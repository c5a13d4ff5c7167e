// Process entry services: arguments and folders, resources, the single-instance test and
// the hand-over to the running instance, the main window and the loop.
#pragma once

#include "platform/process_port.h"
#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

class Win32Process final : public ProcessPort {
public:
    // The window procedure gets `application` as its creation parameter.
    Win32Process(HINSTANCE instance, int showCommand, WNDPROC windowProcedure, void* application)
        : instance_(instance), showCommand_(showCommand), windowProcedure_(windowProcedure),
          application_(application)
    {
    }

    std::vector<std::u16string> commandLineArguments() override;
    std::u16string fullPath(std::u16string_view path) override;
    bool enterProgramFolder() override;
    std::u16string loadString(int id, std::size_t limit) override;
    std::optional<RunningInstance> findRunningInstance(std::u16string_view className) override;
    void restoreWindow(const RunningInstance& instance) override;
    void bringToForeground(const RunningInstance& instance) override;
    bool sendData(const RunningInstance& instance, std::uintptr_t tag,
                  std::span<const std::byte> data) override;
    void registerMainWindowClass(std::u16string_view className) override;
    bool createMainWindow(std::u16string_view className, std::u16string_view title) override;
    void showMainWindow() override;
    int runMessageLoop() override;

private:
    HINSTANCE instance_;
    int showCommand_;
    WNDPROC windowProcedure_;
    void* application_;
    HWND mainWindow_ = nullptr;
};

}  // namespace telvia::win32
