// Eleven volume steps and the fade-in after a connect.
#include "playback/player.h"

#include <algorithm>

namespace telvia {

namespace {

constexpr std::int32_t loudestStep = volumeStepCount - 1;

}  // namespace

void Player::fillVolumeSteps()
{
    state_.volumeSteps = {-10000, -4000, -3000, -2000, -1500, -1200, -1000, -750, -500, -250, 0};
}

void Player::setVolume(std::int32_t step)
{
    // A graph without audio refuses the level; there is nothing to hear, so nothing to say.
    (void)state_.graph.basicAudio->putVolume(state_.volumeSteps[static_cast<std::size_t>(step)]);
}

void Player::changeVolume(int delta)
{
    // Without a graph the step stays, so the saved step does not change either.
    if (!state_.graph.basicAudio) {
        return;
    }
    context_.soundVolume = std::clamp(context_.soundVolume + delta, 0, loudestStep);
    setVolume(context_.soundVolume);
    state_.overlayTicks = 0;
    drawOverlay(u"", true);
}

void Player::advanceFade()
{
    if (!state_.graph.basicAudio || state_.fadeStep >= loudestStep) {
        return;
    }
    ++state_.fadeStep;
    setVolume(state_.fadeStep);
}

}  // namespace telvia
