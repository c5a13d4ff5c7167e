// Eleven volume steps and the fade-in after a connect.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

// Levels in hundredths of a decibel for steps 0 (silence) to 10 (full level).
void fillVolumeSteps(AppState& state);

void changeVolume(AppState& state, Ports& ports, int delta);

void advanceFade(AppState& state, Ports& ports);

}  // namespace telvia
