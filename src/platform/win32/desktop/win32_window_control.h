// The main window's geometry and activation, and the screen, on Win32.
#pragma once

#include "platform/screen_port.h"
#include "platform/win32/base/windows_includes.h"
#include "platform/win32/desktop/win32_main_window.h"
#include "platform/window_control_port.h"

namespace telvia::win32 {

[[nodiscard]] inline NativeWindow toNative(HWND window)
{
    return static_cast<NativeWindow>(reinterpret_cast<std::uintptr_t>(window));
}

[[nodiscard]] inline HWND toHwnd(NativeWindow window)
{
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window));
}

class Win32WindowControl final : public MainWindowControlPort {
public:
    explicit Win32WindowControl(const Win32MainWindow& mainWindow) : mainWindow_(mainWindow) {}

    NativeWindow handle() override;
    void showNormal() override;
    void enable(bool enabled) override;
    void setFocus() override;
    void bringToForeground() override;
    void update() override;
    void invalidate() override;
    Size clientSize() override;
    Rect windowRect() override;
    bool isMaximised() override;
    int dpi() override;
    void move(const Rect& rect) override;

private:
    const Win32MainWindow& mainWindow_;
};

class Win32Screen final : public ScreenPort {
public:
    std::optional<Rect> workArea() override;
    Size primaryScreenSize() override;
    Rect mainWindowFrame(int dpi) override;
    Rect desktopRect() override;
    std::optional<Rect> taskbarRect() override;
    void setScreenSaverActive(bool active) override;
};

}  // namespace telvia::win32
