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

void placeVideo(AppState& state, Ports& ports);

// Stores the mode, moves the radio mark of the Video size menu and places the video.
void setViewMode(AppState& state, Ports& ports, int mode);

// Puts the menu's radio mark on the item of the current mode (none for an unknown mode).
void markViewMode(const AppState& state, Ports& ports);

// Adjusts the minimum tracking size that the system proposed.
void fillMinMaxInfo(AppState& state, Ports& ports, Size& minTrackSize);

void toggleFullScreen(AppState& state, Ports& ports);

}  // namespace telvia
