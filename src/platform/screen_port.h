// The screen as the video placement sees it, and the screen saver switch.
#pragma once

#include <optional>

#include "platform/geometry.h"

namespace telvia {

class ScreenPort {
public:
    virtual ~ScreenPort() = default;

    // SystemParametersInfoW(SPI_GETWORKAREA); nothing when the call fails.
    [[nodiscard]] virtual std::optional<Rect> workArea() = 0;
    // GetSystemMetrics(SM_CXSCREEN, SM_CYSCREEN).
    [[nodiscard]] virtual Size primaryScreenSize() = 0;
    // AdjustWindowRectExForDpi of the empty rectangle for WS_OVERLAPPEDWINDOW with a menu
    // and no extended style: how far the frame, caption and menu bar reach out of a client
    // area on a display of `dpi` dots per inch (the system's resolution where the system
    // sizes frames for one resolution only).
    [[nodiscard]] virtual Rect mainWindowFrame(int dpi) = 0;
    // GetWindowRect of the desktop window.
    [[nodiscard]] virtual Rect desktopRect() = 0;
    // GetWindowRect of the top-level window of class "Shell_TrayWnd"; nothing without one.
    [[nodiscard]] virtual std::optional<Rect> taskbarRect() = 0;
    // SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE) for this logon only; the user
    // profile is not written.
    virtual void setScreenSaverActive(bool active) = 0;
};

}  // namespace telvia
