#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback_fixture.h"
#include "resources/resource.h"

namespace telvia {
namespace {

using PlaybackControlTest = PlaybackFixture;

enum class Start { noGraph, running, paused, incompleteWithControl, incompleteWithoutControl };
enum class Outcome { nothing, paused, connected, resumed, stopped };

const char* name(Start start)
{
    switch (start) {
    case Start::noGraph: return "no graph";
    case Start::running: return "running";
    case Start::paused: return "paused";
    case Start::incompleteWithControl: return "incomplete with media control";
    case Start::incompleteWithoutControl: return "incomplete without media control";
    }
    return "?";
}

TEST_F(PlaybackControlTest, PlayPauseStopAndReconnectInEveryState)
{
    const struct {
        Start start;
        int command;
        Outcome outcome;
    } cases[] = {
        {Start::noGraph, IDM_PLAY_PAUSE, Outcome::nothing},
        {Start::noGraph, IDM_STOP, Outcome::stopped},
        {Start::noGraph, IDM_RECONNECT, Outcome::connected},
        {Start::running, IDM_PLAY_PAUSE, Outcome::paused},
        {Start::running, IDM_STOP, Outcome::stopped},
        {Start::running, IDM_RECONNECT, Outcome::connected},
        {Start::running, IDM_CONNECT_CURRENT, Outcome::connected},
        {Start::paused, IDM_PLAY_PAUSE, Outcome::resumed},
        {Start::paused, IDM_STOP, Outcome::stopped},
        {Start::paused, IDM_RECONNECT, Outcome::connected},
        {Start::incompleteWithControl, IDM_PLAY_PAUSE, Outcome::resumed},
        {Start::incompleteWithControl, IDM_STOP, Outcome::stopped},
        {Start::incompleteWithControl, IDM_RECONNECT, Outcome::connected},
        {Start::incompleteWithoutControl, IDM_PLAY_PAUSE, Outcome::nothing},
        {Start::incompleteWithoutControl, IDM_STOP, Outcome::stopped},
        {Start::incompleteWithoutControl, IDM_RECONNECT, Outcome::connected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(name(c.start)) + ", command " + std::to_string(c.command));
        player.tearDown();
        state->current.name = u"News";
        media.failures.clear();
        switch (c.start) {
        case Start::noGraph: break;
        case Start::running: connect(); break;
        case Start::paused:
            connect();
            player.togglePlayPause();
            break;
        case Start::incompleteWithControl:
            media.failures = {{"graph.IMediaEventEx.SetNotifyWindow", anyFailure}};
            connect();
            break;
        case Start::incompleteWithoutControl:
            media.failures = {{"graph.QueryInterface(IMediaControl)", anyFailure}};
            connect();
            break;
        }
        media.failures.clear();
        const std::u16string titleBefore = platform.window.title;
        clearLog();

        presenter.onCommand(c.command);
        finishLoads();

        switch (c.outcome) {
        case Outcome::nothing:
            EXPECT_TRUE(platform.log.calls.empty());
            EXPECT_EQ(platform.window.title, titleBefore);
            break;
        case Outcome::paused:
            EXPECT_EQ(platform.log.calls,
                      (std::vector<std::string>{"graph.IMediaControl.Pause",
                                                "textConversion.toUtf16 ansi",
                                                "window.setTitle Telvia  [ News ]  Paused"}));
            EXPECT_EQ(played().playing, 0);
            EXPECT_FALSE(played().graph.empty());
            break;
        case Outcome::connected:
        case Outcome::resumed:
            EXPECT_EQ(count("CoCreateInstance FilterGraph"), 1);
            EXPECT_EQ(played().playing, 1);
            // A resume ends with an empty status; a reconnect keeps "CONNECTING" until
            // the stream buffers.
            EXPECT_EQ(platform.window.title, c.outcome == Outcome::resumed
                                                 ? u"Telvia  [ News ]"
                                                 : u"Telvia  [ News ]  Connecting");
            EXPECT_EQ(media.liveReferences, 11);
            break;
        case Outcome::stopped:
            EXPECT_TRUE(state->current.name.empty());
            EXPECT_TRUE(played().graph.empty());
            EXPECT_EQ(media.liveReferences, 0);
            EXPECT_EQ(played().playing, 0);
            EXPECT_EQ(platform.window.title, u"Telvia");
            EXPECT_EQ(platform.screen.screenSaverActive, true);
            break;
        }
    }
}

TEST_F(PlaybackControlTest, AfterAStopNeitherPlayPauseNorReconnectDoesAnything)
{
    connect();
    presenter.onCommand(IDM_STOP);
    EXPECT_EQ(played().videoWidth, 0);
    EXPECT_EQ(played().videoHeight, 0);
    clearLog();
    presenter.onCommand(IDM_PLAY_PAUSE);
    presenter.onCommand(IDM_RECONNECT);
    presenter.onCommand(IDM_CONNECT_CURRENT);
    EXPECT_FALSE(platform.log.contains("CoCreateInstance FilterGraph"));
    EXPECT_EQ(platform.window.title, u"Telvia");
}

TEST_F(PlaybackControlTest, AResumeThatFailsStillEndsWithAnEmptyStatus)
{
    connect();
    player.togglePlayPause();
    media.failures = {{"graph.IGraphBuilder.AddFilter WMASFReader", anyFailure}};
    player.togglePlayPause();
    EXPECT_EQ(platform.messages.shown.size(), 1u);
    EXPECT_EQ(platform.window.title, u"Telvia  [ News ]");
    EXPECT_EQ(played().playing, 0);
}

TEST_F(PlaybackControlTest, BufferingEventsSetTheStatusAndEveryEventIsFreed)
{
    const struct {
        const char* name;
        std::vector<GraphEvent> events;
        std::u16string title;
    } cases[] = {
        {"none", {}, u"Telvia  [ News ]  Connecting"},
        {"buffering begins", {{eventBufferingData, 1, 0}}, u"Telvia  [ News ]  Buffering"},
        {"begins and ends", {{eventBufferingData, 1, 0}, {eventBufferingData, 0, 0}},
         u"Telvia  [ News ]"},
        {"ends with another value", {{eventBufferingData, 2, 0}}, u"Telvia  [ News ]"},
        // End of stream, an error and a state change: nothing visible changes.
        {"other events", {{1, 0, 0}, {3, -5, 0}, {50, 0, 0}}, u"Telvia  [ News ]  Connecting"},
        {"others after buffering", {{eventBufferingData, 1, 0}, {1, 0, 0}},
         u"Telvia  [ News ]  Buffering"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        connect();
        media.events.assign(c.events.begin(), c.events.end());
        media.freedEvents.clear();
        clearLog();

        presenter.onGraphNotify();
        EXPECT_EQ(platform.window.title, c.title);
        EXPECT_EQ(media.freedEvents, c.events);
        // Drained to the end: one fetch per event and the one that finds the queue empty.
        EXPECT_EQ(count("graph.IMediaEventEx.GetEvent 0"), static_cast<int>(c.events.size()) + 1);
        EXPECT_TRUE(media.events.empty());
    }
}

TEST_F(PlaybackControlTest, GraphNotificationsWithoutAnEventSourceAreIgnored)
{
    presenter.onGraphNotify();  // no graph at all
    media.failures = {{"graph.QueryInterface(IMediaEventEx)", noInterface}};
    connect();
    media.events = {{eventBufferingData, 1, 0}};
    clearLog();
    presenter.onGraphNotify();
    EXPECT_TRUE(platform.log.calls.empty());
}

TEST_F(PlaybackControlTest, WithoutTranslationsNoStatusIsEverShown)
{
    auto empty = std::make_unique<TranslationTable>();
    Player untranslated(*state, platform.ports.forPlayer(), *empty);
    untranslated.connect();
    EXPECT_EQ(platform.window.title, u"Telvia  [ News ]");
    media.events = {{eventBufferingData, 1, 0}};
    untranslated.onGraphNotify();
    EXPECT_EQ(platform.window.title, u"Telvia  [ News ]");
    untranslated.togglePlayPause();
    EXPECT_EQ(platform.window.title, u"Telvia  [ News ]");
}

TEST_F(PlaybackControlTest, TheOverlayIsClearedOnceOnThe31stTickAfterItWasDrawn)
{
    connect();
    ASSERT_EQ(media.overlays.size(), 1u);
    for (int tick = 1; tick <= 30; ++tick) {
        presenter.onTimer();
    }
    EXPECT_EQ(media.overlays.size(), 1u);
    presenter.onTimer();
    ASSERT_EQ(media.overlays.size(), 2u);
    EXPECT_EQ(media.overlays[1].picture.text, u"");
    EXPECT_FALSE(media.overlays[1].picture.bottomLine.has_value());
    for (int tick = 0; tick < 100; ++tick) {
        presenter.onTimer();
    }
    EXPECT_EQ(media.overlays.size(), 2u);
    EXPECT_EQ(played().overlayTicks, 131);
}

TEST_F(PlaybackControlTest, TimerTicksWithoutAGraphOnlyCount)
{
    state->soundVolume = 5;
    clearLog();
    for (int tick = 0; tick <= 30; ++tick) {  // the 31st would clear a drawn overlay
        presenter.onTimer();
    }
    EXPECT_TRUE(platform.log.calls.empty());
    EXPECT_EQ(played().overlayTicks, 31);
    EXPECT_EQ(played().fadeStep, 0);
}

}  // namespace
}  // namespace telvia
