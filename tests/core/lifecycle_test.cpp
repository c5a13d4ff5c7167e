#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "presenter_fixture.h"

namespace telvia {
namespace {

using LifecycleFixture = PresenterFixture;

TEST_F(LifecycleFixture, StartUpRunsInItsOrder)
{
    ASSERT_TRUE(presenter.onCreate());
    const std::vector<std::string> expected = {
        "windowControl.showNormal",
        "locale.countryAbbreviation",
        "system.initialiseCom",
        "system.initialiseCommonControls",
        "registry.open Software\\Quorvex\\Telvia",
        "registry.open Software\\Quorvex\\Telvia\\Channels",
        // No catalogue yet: the first-run import, which asks for the edit dialog.
        "files.openForReading channels_init.qcl",
        "window.postCommand 32783",
        "window.checkMenuRadio 32774 32777 32775",
        "channelsMenu.rebuild 0",
        "window.startTimer 1 200",
        "menuTexts.redrawMenuBar",
    };
    EXPECT_EQ(platform.log.calls, expected);
    EXPECT_EQ(state->viewMode, 1);
    EXPECT_EQ(state->soundVolume, 0);
    const std::array<std::int32_t, 11> levels = {-10000, -4000, -3000, -2000, -1500, -1200,
                                                 -1000,  -750,  -500,  -250,  0};
    EXPECT_EQ(played().volumeSteps, levels);
}

TEST_F(LifecycleFixture, StartUpRestoresTheSavedChannelByName)
{
    state->channels[0].country = u"USA";
    state->channels[0].name = u"First";
    state->channels[1].country = u"USA";
    state->channels[1].name = u"Saved";
    state->channels[1].address = u"http://saved";
    state->channels[1].on = 0;  // unmarked channels are restored too
    state->current.name = u"Saved";

    ASSERT_TRUE(presenter.onCreate());
    EXPECT_EQ(state->current, state->channels[1]);
    EXPECT_EQ(platform.window.title, u"Telvia  [ Saved ]");
}

TEST_F(LifecycleFixture, AMissingSavedChannelKeepsItsNameAndPlaysNothing)
{
    state->current.name = u"Gone";
    ASSERT_TRUE(presenter.onCreate());
    EXPECT_EQ(state->current.name, u"Gone");
    EXPECT_TRUE(state->current.address.empty());
    EXPECT_FALSE(platform.log.contains("window.setTitle Telvia  [ Gone ]"));
}

TEST_F(LifecycleFixture, ComFailureReportsAndEndsTheProcessWithCode1)
{
    platform.system.comResult = static_cast<HResult>(0x80004005u);
    EXPECT_FALSE(presenter.onCreate());

    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].text, u"CoInitialize Failed!\r\n");
    EXPECT_EQ(platform.messages.shown[0].caption, u"Telvia");
    EXPECT_EQ(platform.messages.shown[0].owner, MessageOwner::none);
    EXPECT_EQ(platform.system.exitCode, 1);
    // Nothing after the failed start: no common controls, no timer, no menu mark.
    EXPECT_EQ(platform.log.calls.back(), "system.exitProcess 1");
    EXPECT_FALSE(platform.log.contains("system.initialiseCommonControls"));
}

TEST_F(LifecycleFixture, ExitReleasesPlaybackBeforeComAndQuitsLast)
{
    state->current.name = u"Playing";
    presenter.onDestroy();
    const std::vector<std::string> expected = {
        "window.setTitle Telvia  [ Playing ]",  // the tear-down clears the status
        "screen.screenSaverActive 1",
        "system.uninitialiseCom",
        // The catalogue before the settings.
        "registry.create Software\\Quorvex\\Telvia\\Channels",
        "registry.close Software\\Quorvex\\Telvia\\Channels",
        "registry.create Software\\Quorvex\\Telvia",
        "registry.close Software\\Quorvex\\Telvia",
        "window.postQuit 0",
    };
    EXPECT_EQ(platform.log.calls, expected);
    EXPECT_EQ(played().playing, 0);
    // The name stays so that it is saved as the channel to restore.
    EXPECT_EQ(state->current.name, u"Playing");
}

}  // namespace
}  // namespace telvia
