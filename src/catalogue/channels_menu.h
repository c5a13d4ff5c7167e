// The channels pop-up menu and stepping through the marked channels.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

// Rebuilds the pop-up from the marked channels, sorted by name in the user's order, in
// columns of ten; item k has the command id IDM_CHANNEL_FIRST + k.
void buildChannelsMenu(AppState& state, Ports& ports);

// Plays the first slot whose name equals state.current.name (the picked item's text).
void pickMenuChannel(AppState& state, Ports& ports);

// The next marked channel after the current one in catalogue order, wrapping at the end.
void nextChannel(AppState& state, Ports& ports);

// The previous marked channel before the current one, wrapping to the last marked one.
void previousChannel(AppState& state, Ports& ports);

}  // namespace telvia
