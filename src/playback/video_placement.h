// The view modes and the screen geometry that video placement works with.
#pragma once

#include "platform/geometry.h"
#include "platform/screen_port.h"

namespace telvia {

inline constexpr int viewModeHalf = 0;
inline constexpr int viewModeNormal = 1;
inline constexpr int viewModeDouble = 2;
inline constexpr int viewModeFit = 3;

// What the main window's frame, caption and menu bar add to a client area on a display of
// `dpi` dots per inch.
[[nodiscard]] Size frameExtra(ScreenPort& screen, int dpi);

// The work area's size, or the primary screen's when the work area cannot be read.
[[nodiscard]] Size workAreaSize(ScreenPort& screen);

// The desktop less the taskbar when the taskbar spans a whole edge of it; otherwise, and
// without a taskbar, the desktop.
[[nodiscard]] Rect desktopMinusTaskbar(ScreenPort& screen);

}  // namespace telvia
