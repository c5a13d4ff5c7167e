#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

using VolumeTest = PlaybackFixture;

TEST_F(VolumeTest, EveryConnectStartsSilentAndFadesInOneStepPerTick)
{
    const struct {
        std::int32_t step;
        std::vector<std::int32_t> levels;
    } cases[] = {
        {0, {-10000}},
        {1, {-10000, -4000}},
        {4, {-10000, -4000, -3000, -2000, -1500}},
        {10, {-10000, -4000, -3000, -2000, -1500, -1200, -1000, -750, -500, -250, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        state->soundVolume = c.step;
        media.volumes.clear();
        connect();
        for (int tick = 0; tick < 15; ++tick) {
            presenter.onTimer();
        }
        EXPECT_EQ(media.volumes, c.levels);
        EXPECT_EQ(played().fadeStep, c.step);
    }
}

TEST_F(VolumeTest, ChangingTheStepDuringAFade)
{
    // 't' is a timer tick, '+' and '-' the sound commands.
    const struct {
        const char* name;
        std::int32_t step;
        std::string actions;
        std::vector<std::int32_t> levels;
        std::int32_t finalStep;
    } cases[] = {
        // The new level at once, then back to the fade's position and up to the new step.
        {"raised", 4, "tt+tttt", {-4000, -3000, -1200, -2000, -1500, -1200}, 5},
        // Below the fade's position: the lower level, and the fade is over.
        {"lowered below the fade", 5, "tttt--tt", {-4000, -3000, -2000, -1500, -1500, -2000}, 3},
        {"lowered above the fade", 6, "tt-tttt", {-4000, -3000, -1200, -2000, -1500, -1200}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state->soundVolume = c.step;
        connect();
        media.volumes.clear();
        for (const char action : c.actions) {
            if (action == 't') {
                presenter.onTimer();
            } else {
                presenter.onCommand(action == '+' ? IDM_SOUND_UP : IDM_SOUND_DOWN);
            }
        }
        EXPECT_EQ(media.volumes, c.levels);
        EXPECT_EQ(state->soundVolume, c.finalStep);
    }
}

TEST_F(VolumeTest, StepsStopAtTheEndsAndShowTheFigure)
{
    const struct {
        std::int32_t step;
        int command;
        std::int32_t newStep;
        std::int32_t level;
        std::u16string figure;
    } cases[] = {
        {10, IDM_SOUND_UP, 10, 0, u"100%"},
        {0, IDM_SOUND_DOWN, 0, -10000, u"0%"},
        {7, IDM_SOUND_UP, 8, -500, u"80%"},
        {5, IDM_SOUND_DOWN, 4, -1500, u"40%"},
        {1, IDM_SOUND_DOWN, 0, -10000, u"0%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        connect();
        state->soundVolume = c.step;
        for (int tick = 0; tick < 17; ++tick) {
            presenter.onTimer();
        }
        media.volumes.clear();
        media.overlays.clear();

        presenter.onCommand(c.command);
        EXPECT_EQ(state->soundVolume, c.newStep);
        EXPECT_EQ(media.volumes, std::vector<std::int32_t>{c.level});
        EXPECT_EQ(played().overlayTicks, 0);
        ASSERT_EQ(media.overlays.size(), 1u);
        EXPECT_EQ(media.overlays[0].picture.text, u"");  // the channel name is replaced
        EXPECT_EQ(media.overlays[0].picture.bottomLine, c.figure);
    }
}

TEST_F(VolumeTest, WithoutAGraphTheStepStays)
{
    state->soundVolume = 6;
    clearLog();
    presenter.onCommand(IDM_SOUND_UP);
    presenter.onCommand(IDM_SOUND_DOWN);
    EXPECT_EQ(state->soundVolume, 6);
    EXPECT_TRUE(platform.log.calls.empty());
}

}  // namespace
}  // namespace telvia
