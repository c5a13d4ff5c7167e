// The start-up sequence run while the main window is created, and the exit sequence run
// when it is destroyed.
#pragma once

#include "app/app_state.h"
#include "app/ports.h"
#include "i18n/translation_table.h"
#include "playback/player.h"

namespace telvia {

inline constexpr int playbackTimerId = 1;
inline constexpr int playbackTimerPeriodMs = 200;

// Returns false when COM could not be started; the process has then been ended.
bool runStartUp(AppState& state, Player& player, Ports& ports,
                const TranslationTable& translations);

void runExit(AppState& state, Player& player, Ports& ports);

}  // namespace telvia
