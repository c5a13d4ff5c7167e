// What playback needs of the main window beyond its title and menu: its handle for the
// media framework, input and activation, and its geometry.
#pragma once

#include <cstdint>

#include "platform/geometry.h"

namespace telvia {

// A window handle carried through the logic untouched (an HWND on Windows).
enum class NativeWindow : std::uintptr_t { none = 0 };

class MainWindowControlPort {
public:
    virtual ~MainWindowControlPort() = default;

    [[nodiscard]] virtual NativeWindow handle() = 0;
    virtual void showNormal() = 0;          // ShowWindow(SW_SHOWNORMAL)
    virtual void enable(bool enabled) = 0;  // EnableWindow
    virtual void setFocus() = 0;            // SetFocus
    virtual void bringToForeground() = 0;   // SetForegroundWindow
    virtual void update() = 0;              // UpdateWindow
    virtual void invalidate() = 0;          // InvalidateRect of the whole client area, erasing
    [[nodiscard]] virtual Size clientSize() = 0;   // GetClientRect
    [[nodiscard]] virtual Rect windowRect() = 0;   // GetWindowRect, screen coordinates
    [[nodiscard]] virtual bool isMaximised() = 0;  // IsZoomed
    // Dots per inch of the display the window is on (GetDpiForWindow); the system's where
    // each display has no resolution of its own.
    [[nodiscard]] virtual int dpi() = 0;
    // MoveWindow without repainting. A change of size reaches the window procedure as
    // WM_SIZE before this returns, so the logic may be re-entered from inside it.
    virtual void move(const Rect& rect) = 0;
};

}  // namespace telvia
