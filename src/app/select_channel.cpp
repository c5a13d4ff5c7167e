#include "app/select_channel.h"

namespace telvia {

void selectChannel(AppState& state, Player& player, int slot)
{
    state.current = state.channels[slot];
    player.connect();
}

}  // namespace telvia
