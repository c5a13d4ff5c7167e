// Making a catalogue slot the current channel.
#pragma once

#include "app/app_state.h"
#include "playback/player.h"

namespace telvia {

// Copies the whole record of the slot (0 to 399) into state.current and plays it.
void selectChannel(AppState& state, Player& player, int slot);

}  // namespace telvia
