#include "playback/volume.h"

#include <algorithm>

#include "playback/overlay.h"

namespace telvia {

namespace {

constexpr std::int32_t loudestStep = volumeStepCount - 1;

}  // namespace

void fillVolumeSteps(AppState& state)
{
    state.volumeSteps = {-10000, -4000, -3000, -2000, -1500, -1200, -1000, -750, -500, -250, 0};
}

void changeVolume(AppState& state, Ports& ports, int delta)
{
    // Without a graph the step stays, so the saved step does not change either.
    if (!state.graph.basicAudio) {
        return;
    }
    state.soundVolume = std::clamp(state.soundVolume + delta, 0, loudestStep);
    state.graph.basicAudio->putVolume(state.volumeSteps[static_cast<std::size_t>(state.soundVolume)]);
    state.overlayTicks = 0;
    drawOverlay(state, ports, u"", true);
}

void advanceFade(AppState& state, Ports&)
{
    if (!state.graph.basicAudio || state.fadeStep >= loudestStep) {
        return;
    }
    ++state.fadeStep;
    state.graph.basicAudio->putVolume(state.volumeSteps[static_cast<std::size_t>(state.fadeStep)]);
}

}  // namespace telvia
