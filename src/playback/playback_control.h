// Play/pause, stop, the graph's event queue and the 200 ms timer tick.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

void togglePlayPause(AppState& state, Ports& ports);

// Forgets the current channel (nothing is restored at the next start) and releases the graph.
void stopPlayback(AppState& state, Ports& ports);

void onGraphNotify(AppState& state, Ports& ports);

void onTimerTick(AppState& state, Ports& ports);

}  // namespace telvia
