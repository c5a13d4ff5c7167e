#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/key_table.h"
#include "playback_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

TEST(KeyTableTest, KeysSendTheirCommands)
{
    const struct {
        unsigned key;
        std::optional<int> command;
    } cases[] = {
        {keyBackspace, IDM_STOP},
        // Space pauses as the menu promises; it must not stop and forget the channel.
        {keySpace, IDM_PLAY_PAUSE},
        {keyEnter, IDM_FULL_SCREEN},
        {keyLeft, IDM_PREVIOUS_CHANNEL},
        {keyUp, IDM_SOUND_UP},
        {keyRight, IDM_NEXT_CHANNEL},
        {keyDown, IDM_SOUND_DOWN},
        {keyEscape, std::nullopt},
        {'A', std::nullopt},
        {0x70 /* F1 */, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(commandForKey(c.key), c.command);
    }
}

TEST_F(PresenterFixture, CommandsReachTheirHandlers)
{
    platform.window.cursor = {40, -5};
    const struct {
        int command;
        std::vector<std::string> calls;
    } cases[] = {
        {IDM_ABOUT, {"dialogs.about"}},
        {IDM_EXIT, {"window.destroy"}},
        {IDM_USER_MANUAL, {"shell.open Telvia.chm"}},
        {IDM_HOME_PAGE, {"shell.open https://www.quorvex.com/telvia/"}},
        {IDM_SELECT_CHANNEL, {"window.cursorPosition", "channelsMenu.track 40 -5"}},
        {IDM_SIZE_50, {"window.checkMenuRadio 32774 32777 32774"}},
        {IDM_SIZE_100, {"window.checkMenuRadio 32774 32777 32775"}},
        {IDM_SIZE_200, {"window.checkMenuRadio 32774 32777 32776"}},
        {IDM_SIZE_FIT, {"window.checkMenuRadio 32774 32777 32777"}},
        {IDM_STOP, {"window.setTitle Telvia", "screen.screenSaverActive 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        platform.log.calls.clear();
        EXPECT_TRUE(presenter.onCommand(c.command));
        EXPECT_EQ(platform.log.calls, c.calls);
    }
}

TEST_F(PresenterFixture, EveryCommandOfTheMenuIsHandledAndOthersAreNot)
{
    const int handled[] = {IDM_PLAY_PAUSE,       IDM_CONNECT_CURRENT, IDM_FULL_SCREEN,
                           IDM_NEXT_CHANNEL,     IDM_PREVIOUS_CHANNEL, IDM_SOUND_UP,
                           IDM_SOUND_DOWN,       IDM_RECONNECT,        IDM_TEST_CLIPBOARD,
                           IDM_INFORMATION,      IDM_CHANNEL_FIRST,    IDM_CHANNEL_LAST};
    for (const int command : handled) {
        SCOPED_TRACE(command);
        EXPECT_TRUE(presenter.onCommand(command));
    }
    const int unknown[] = {0, 100, 102, 1023, 1424, IDM_CHANNELS_PLACEHOLDER, 32773, 32778, 40000};
    for (const int command : unknown) {
        SCOPED_TRACE(command);
        EXPECT_FALSE(presenter.onCommand(command));
    }
}

TEST_F(PresenterFixture, ViewModeCommandsStoreTheMode)
{
    for (int mode = 0; mode < 4; ++mode) {
        presenter.onCommand(IDM_SIZE_50 + mode);
        EXPECT_EQ(state->viewMode, mode);
    }
}

TEST_F(PresenterFixture, SpaceKeepsTheChannelBackspaceForgetsIt)
{
    state->current.name = u"News";
    presenter.onKeyDown(keySpace);
    EXPECT_EQ(state->current.name, u"News");

    presenter.onKeyDown(keyBackspace);
    EXPECT_TRUE(state->current.name.empty());
    EXPECT_EQ(platform.window.title, u"Telvia");
}

TEST_F(PlaybackFixture, StopForgetsTheChannelAndTheVideoSize)
{
    connect();
    ASSERT_EQ(played().videoWidth, 320);
    ASSERT_EQ(played().playing, 1);
    presenter.onCommand(IDM_STOP);
    EXPECT_TRUE(state->current.name.empty());
    EXPECT_EQ(state->current.address, u"mms://news");
    EXPECT_EQ(played().videoWidth, 0);
    EXPECT_EQ(played().videoHeight, 0);
    EXPECT_EQ(played().playing, 0);
}

TEST_F(PlaybackFixture, ChannelsMenuIsNotShownInFullScreen)
{
    connect();
    const struct {
        std::int32_t fullScreen;
        bool shown;
    } cases[] = {{0, true}, {1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fullScreen);
        if (c.fullScreen != played().fullScreen) {
            player.toggleFullScreen();
        }
        ASSERT_EQ(played().fullScreen, c.fullScreen);
        platform.log.calls.clear();
        presenter.onContextMenu({100, 200});
        presenter.onCommand(IDM_SELECT_CHANNEL);
        const int tracked = static_cast<int>(std::count_if(
            platform.log.calls.begin(), platform.log.calls.end(),
            [](const std::string& call) { return call.starts_with("channelsMenu.track"); }));
        EXPECT_EQ(tracked, c.shown ? 2 : 0);
    }
}

TEST_F(PresenterFixture, EscapeOnlyActsInFullScreen)
{
    state->current.name = u"News";
    platform.log.calls.clear();
    presenter.onKeyDown(keyEscape);
    EXPECT_TRUE(platform.log.calls.empty());
    EXPECT_EQ(state->current.name, u"News");
}

TEST_F(PresenterFixture, PickCopiesTheWholeItemTextUpTo259Characters)
{
    const struct {
        std::size_t length;
        std::size_t kept;
    } cases[] = {{1, 1}, {258, 258}, {259, 259}, {300, 259}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::u16string text(c.length, u'q');
        const ChannelsMenuItem item{IDM_CHANNEL_FIRST + 3, text, false};
        platform.channelsMenu.rebuild(std::span(&item, 1));
        state->current.name = u"previous";
        presenter.onCommand(IDM_CHANNEL_FIRST + 3);
        EXPECT_EQ(state->current.name.view(), text.substr(0, c.kept));
    }
}

TEST_F(PresenterFixture, PickOfAnItemThatIsGoneEmptiesTheName)
{
    state->current.name = u"previous";
    presenter.onCommand(IDM_CHANNEL_FIRST);
    EXPECT_TRUE(state->current.name.empty());
}

}  // namespace
}  // namespace telvia
