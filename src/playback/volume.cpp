#include "playback/volume.h"

namespace telvia {

void fillVolumeSteps(AppState& state)
{
    state.volumeSteps = {-10000, -4000, -3000, -2000, -1500, -1200, -1000, -750, -500, -250, 0};
}

void changeVolume(AppState&, Ports&, int)
{
    // Without a graph's audio the step does not change.
}

void advanceFade(AppState&, Ports&)
{
    // Without a graph's audio there is nothing to fade in.
}

}  // namespace telvia
