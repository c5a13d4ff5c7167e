// The channels pop-up menu and stepping through the marked channels.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

void buildChannelsMenu(AppState& state, Ports& ports);

// Plays the first slot whose name equals state.current.name (the picked item's text).
void pickMenuChannel(AppState& state, Ports& ports);

void nextChannel(AppState& state, Ports& ports);

void previousChannel(AppState& state, Ports& ports);

}  // namespace telvia
