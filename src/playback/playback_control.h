// Play/pause, stop, the graph's event queue and the 200 ms timer tick.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"
#include "i18n/translation_table.h"

namespace telvia {

// Pauses a running graph; a paused or unfinished one is connected anew, from the live
// point. Nothing happens without a graph's media control.
void togglePlayPause(AppState& state, Ports& ports, const TranslationTable& translations);

// Forgets the current channel (nothing is restored at the next start) and releases the graph.
void stopPlayback(AppState& state, Ports& ports);

// Drains the graph's event queue; only buffering changes what is shown.
void onGraphNotify(AppState& state, Ports& ports, const TranslationTable& translations);

// Clears the overlay on the 31st tick after it was drawn and takes one fade-in step.
void onTimerTick(AppState& state, Ports& ports);

}  // namespace telvia
