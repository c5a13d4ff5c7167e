// A channel opens in the background: connect() returns while the source's Load runs, the
// graph is finished when its end arrives, and an open the user has left (another channel,
// Stop, closing) is given up, its late end dropped without a trace. A failure's message
// shows with the channel already forgotten, and nothing opens a channel from inside it.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_ports.h"
#include "platform/virtual_keys.h"
#include "playback_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

constexpr std::u16string_view settingsKey = u"Software\\Quorvex\\Telvia";

struct BackgroundOpen : PlaybackFixture {
    BackgroundOpen()
    {
        const char16_t* names[] = {u"News", u"Sport", u"Films"};
        for (int slot = 0; slot < 3; ++slot) {
            Channel& channel = state->channels[slot];
            channel.on = 1;
            channel.country = u"USA";
            channel.name = names[slot];
            channel.address = std::u16string(u"http://live.example/") + names[slot] + u".m3u8";
        }
        state->current = state->channels[0];
    }

    // The channel name the exit saved, with its terminator.
    [[nodiscard]] std::u16string savedName() const
    {
        const auto* value = platform.registry.findValue(settingsKey, u"channelName");
        if (value == nullptr) {
            return u"(none)";
        }
        std::u16string text;
        for (std::size_t i = 0; i + 3 < value->bytes.size(); i += 2) {  // not the terminator
            text.push_back(static_cast<char16_t>(std::to_integer<unsigned>(value->bytes[i]) |
                                                 std::to_integer<unsigned>(value->bytes[i + 1]) << 8));
        }
        return text;
    }

    // The pop-up's first item names `name`, as a pick from it sends.
    void offerInMenu(const std::u16string& name)
    {
        const ChannelsMenuItem item{IDM_CHANNEL_FIRST, name, false};
        platform.channelsMenu.rebuild(std::span(&item, 1));
    }
};

TEST_F(BackgroundOpen, ConnectReturnsWhileTheSourceLoadsAndItsEndFinishesTheGraph)
{
    player.connect();
    // Nothing after the Load yet: the window is free, and never disabled.
    EXPECT_EQ(platform.log.calls.back(), "stream.IFileSourceFilter.Load http://live.example/News.m3u8");
    EXPECT_FALSE(platform.log.contains("windowControl.enable 0"));
    EXPECT_TRUE(player.opening());
    EXPECT_EQ(played().playing, 0);
    EXPECT_EQ(platform.window.title, u"Telvia  [ News ]  Connecting");
    ASSERT_EQ(media.endedLoads.size(), 1u);

    // The timer and play/pause leave an opening channel alone: no fade before the start,
    // no second open.
    state->soundVolume = 5;
    presenter.onTimer();
    presenter.onCommand(IDM_PLAY_PAUSE);
    EXPECT_TRUE(media.volumes.empty());
    EXPECT_EQ(count("CoCreateInstance FilterGraph"), 1);

    finishLoads();
    EXPECT_FALSE(player.opening());
    EXPECT_EQ(played().playing, 1);
    EXPECT_EQ(count("graph.IMediaControl.Run"), 1);
    EXPECT_TRUE(platform.messages.shown.empty());
    EXPECT_EQ(platform.window.title, u"Telvia  [ News ]  Connecting");
}

// Whatever the user did while the open ran, its end comes later and must change nothing:
// no box of a channel left behind, no graph started behind the user's back.
TEST_F(BackgroundOpen, TheEndOfAnOpenTheUserLeftIsDropped)
{
    const struct {
        const char* name;
        std::function<void(BackgroundOpen&)> leave;
        std::u16string name_after;  // the current channel's name afterwards
        int runs;                    // graphs started in the end
    } cases[] = {
        {"step to the next channel", [](BackgroundOpen& f) { f.presenter.onCommand(IDM_NEXT_CHANNEL); }, u"Sport", 1},
        {"key to the previous channel", [](BackgroundOpen& f) { f.presenter.onKeyDown(keyLeft); }, u"Films", 1},
        {"pick from the pop-up",
         [](BackgroundOpen& f) {
             f.offerInMenu(u"Sport");
             f.presenter.onCommand(IDM_CHANNEL_FIRST);
         },
         u"Sport", 1},
        {"the same channel again", [](BackgroundOpen& f) { f.presenter.onCommand(IDM_RECONNECT); }, u"News", 1},
        {"stop", [](BackgroundOpen& f) { f.presenter.onCommand(IDM_STOP); }, u"", 0},
    };
    for (const bool firstFails : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (firstFails ? ", first open fails" : ""));
            player.tearDown();
            state->current = state->channels[0];
            media.failures.clear();
            if (firstFails) {
                media.failures["stream.IFileSourceFilter.Load http://live.example/News.m3u8"] = anyFailure;
            }
            platform.messages.shown.clear();
            clearLog();

            player.connect();
            // The first open's answer is decided; the second one's is good.
            media.failures.clear();
            c.leave(*this);
            // The first open was given up the moment the user left it.
            EXPECT_TRUE(platform.log.contains("stream.IFileSourceFilter.Load given up"));
            finishLoads();

            EXPECT_TRUE(platform.messages.shown.empty());
            EXPECT_EQ(state->current.name.view(), c.name_after);
            EXPECT_EQ(count("graph.IMediaControl.Run"), c.runs);
            EXPECT_EQ(played().playing, c.runs);
            EXPECT_FALSE(player.opening());
            EXPECT_EQ(media.liveReferences, c.runs == 0 ? 0 : 11);
        }
    }
}

TEST_F(BackgroundOpen, NoThreadToLoadOnIsAFailedConnection)
{
    media.failures = {{"stream.IFileSourceFilter.startLoad", anyFailure}};
    player.connect();
    ASSERT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.messages.shown[0].text, u"Connection failed!");
    EXPECT_TRUE(state->current.name.empty());
    EXPECT_TRUE(played().graph.empty());
    EXPECT_FALSE(player.opening());
    EXPECT_EQ(media.liveReferences, 0);
}

TEST_F(BackgroundOpen, AnEndThatComesTwiceFinishesTheGraphOnce)
{
    player.connect();
    const std::uintptr_t ticket = media.endedLoads.front();
    finishLoads();
    presenter.onSourceLoaded(ticket);
    EXPECT_EQ(count("graph.IMediaControl.Run"), 1);
    EXPECT_EQ(count("asf.IBaseFilter.EnumPins") + count("stream.IBaseFilter.EnumPins"), 1);
}

// Two opens in a row, each ending in turn: only the second plays.
TEST_F(BackgroundOpen, OfTwoOpensInARowOnlyTheLastPlays)
{
    player.connect();
    player.connect();
    ASSERT_EQ(media.endedLoads.size(), 2u);
    finishLoads();
    EXPECT_EQ(count("stream.IFileSourceFilter.Load given up"), 1);
    EXPECT_EQ(count("graph.IMediaControl.Run"), 1);
    EXPECT_EQ(played().playing, 1);
    EXPECT_EQ(media.liveReferences, 11);
}

// Closing the program while a channel opens, or while its failure is up, keeps no name:
// the next start must not open a channel that did not play.
TEST_F(BackgroundOpen, ClosingDuringAnOpenOrItsFailureSavesNoChannel)
{
    const struct {
        const char* name;
        bool fails;
    } cases[] = {{"during the open", false}, {"with the failure up", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        state->current = state->channels[1];
        platform.registry.putString(settingsKey, u"channelName", u"(old)");
        if (c.fails) {
            media.failures = {{"stream.IFileSourceFilter.Load", anyFailure}};
            // The close reaches the window through the box's message loop.
            platform.messages.whileShown = [this] { presenter.onDestroy(); };
        }
        player.connect();
        if (c.fails) {
            finishLoads();
            ASSERT_EQ(platform.messages.shown.size(), 1u);
        } else {
            presenter.onDestroy();
        }
        EXPECT_EQ(savedName(), u"");
        EXPECT_TRUE(played().graph.empty());
        finishLoads();
        EXPECT_EQ(count("graph.IMediaControl.Run"), 0);
        media.failures.clear();
        platform.messages.shown.clear();
    }
}

// A remote control's posted steps and picks that the box's message loop dispatches to the
// main window are dropped; so are those that come inside a graph failure's box.
TEST_F(BackgroundOpen, NothingOpensAChannelFromInsideAFailuresBox)
{
    const struct {
        const char* name;
        std::function<void(BackgroundOpen&)> change;
    } changes[] = {
        {"next", [](BackgroundOpen& f) { f.presenter.onCommand(IDM_NEXT_CHANNEL); }},
        {"previous key", [](BackgroundOpen& f) { f.presenter.onKeyDown(keyLeft); }},
        {"pick", [](BackgroundOpen& f) { f.presenter.onCommand(IDM_CHANNEL_FIRST); }},
        {"connect current", [](BackgroundOpen& f) { f.presenter.onCommand(IDM_CONNECT_CURRENT); }},
        {"reconnect", [](BackgroundOpen& f) { f.presenter.onCommand(IDM_RECONNECT); }},
        {"play", [](BackgroundOpen& f) { f.presenter.onCommand(IDM_PLAY_PAUSE); }},
    };
    const struct {
        const char* name;
        std::string failingCall;
    } failures[] = {
        {"connection failed", "stream.IFileSourceFilter.Load"},
        {"graph step failed", "graph.IMediaEventEx.SetNotifyWindow"},
        {"source step failed", "stream.QueryInterface(IFileSourceFilter)"},
    };
    for (const auto& failure : failures) {
        for (const auto& c : changes) {
            SCOPED_TRACE(std::string(failure.name) + ": " + c.name);
            player.tearDown();
            state->current = state->channels[0];
            offerInMenu(u"Sport");
            media.failures = {{failure.failingCall, anyFailure}};
            platform.messages.shown.clear();
            platform.messages.whileShown = [this, &c] { c.change(*this); };
            clearLog();

            connect();
            EXPECT_EQ(platform.messages.shown.size(), 1u);
            EXPECT_EQ(count("CoCreateInstance FilterGraph"), 1);
            EXPECT_FALSE(player.opening());
            media.failures.clear();

            // Once the box is closed, the same command works again.
            platform.messages.whileShown = {};
            c.change(*this);
        }
    }
}

}  // namespace
}  // namespace telvia
