// The resolution of the display a window is on, and the frame of a window at a resolution.
// Windows 10 answers per display; older systems know one resolution for every display, so
// the calls that ask per display are looked up at run time and the system's resolution
// stands in where they are missing.
#pragma once

#include "platform/win32/base/windows_includes.h"

namespace telvia::win32 {

// Dots per inch of the display the window is on (GetDpiForWindow), or the system's
// (LOGPIXELSX of the screen) where the system has no resolution per display.
[[nodiscard]] int windowDpi(HWND window);

// The rectangle grown by the frame of a window of the style at `dpi` dots per inch
// (AdjustWindowRectExForDpi), or at the system's resolution where the system sizes frames
// for that one only (AdjustWindowRectEx).
void adjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD extendedStyle, int dpi);

}  // namespace telvia::win32
