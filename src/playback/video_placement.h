// Where the video lies in the main window, the four size modes and full screen.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"
#include "platform/geometry.h"

namespace telvia {

inline constexpr int viewModeHalf = 0;
inline constexpr int viewModeNormal = 1;
inline constexpr int viewModeDouble = 2;
inline constexpr int viewModeFit = 3;

// Places the video window in the client area for the current mode, growing a window that
// is too small for it (unless maximised), and brings the main window to the foreground.
// The growth re-enters through WM_SIZE for one more placement, which does not grow again.
void placeVideo(AppState& state, Ports& ports);

// Stores the mode, moves the radio mark of the Video size menu and places the video.
void setViewMode(AppState& state, Ports& ports, int mode);

// Puts the menu's radio mark on the item of the current mode (none for an unknown mode).
void markViewMode(const AppState& state, Ports& ports);

// Sets the minimum tracking size: the frame around the mode's video size, within the work area.
void fillMinMaxInfo(AppState& state, Ports& ports, Size& minTrackSize);

// Switches the renderer's full-screen mode over, keeping the main window's keys working
// in full screen through the video window's message drain.
void toggleFullScreen(AppState& state, Ports& ports);

// What the main window's frame, caption and menu bar add to a client area.
[[nodiscard]] Size frameExtra(Ports& ports);

// The work area's size, or the primary screen's when the work area cannot be read.
[[nodiscard]] Size workAreaSize(Ports& ports);

// The desktop less the taskbar when the taskbar spans a whole edge of it; otherwise, and
// without a taskbar, the desktop.
[[nodiscard]] Rect desktopMinusTaskbar(Ports& ports);

}  // namespace telvia
