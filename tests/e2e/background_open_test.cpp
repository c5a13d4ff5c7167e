// Opening a channel never holds the main window. Against a loopback server that accepts
// the connection and never answers, and one that trickles its playlist in a byte a
// second, the window answers WM_NULL throughout an 8 s open, a step moves on to the next
// channel at once, and closing ends the program at once without keeping the channel for
// the next start. While "Connection failed!" is up, posted channel changes open nothing,
// and closing then keeps no channel either.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/catalogue.h"
#include "driver/dialog.h"
#include "driver/registry.h"
#include "driver/responsiveness.h"
#include "driver/text.h"
#include "driver/wine_setup.h"
#include "loopback_http_server.h"
#include "mpeg_audio_ts.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

constexpr unsigned nextChannelCommand = 32795;
constexpr std::chrono::milliseconds measuredOpen = 8s;
// The system marks a window "Not responding" after 5 s; the program must stay far below.
constexpr std::chrono::milliseconds longestAllowedStall = 300ms;

ChannelFields channelAt(const std::wstring& name, const std::string& address)
{
    ChannelFields channel = sampleChannel(L"DEU", name, 1);
    channel.address = fromUtf8(address);
    return channel;
}

// The catalogue in this order, `current` the channel of the last run.
void storeCatalogue(const std::vector<ChannelFields>& channels, const std::wstring& current)
{
    registry::writeAllValues(registry::channelsKey, registry::catalogueValues(channels));
    registry::writeString(registry::settingsKey, L"channelName", current);
}

std::vector<HWND> dialogsOf(const TelviaProcess& telvia)
{
    return findTopLevelWindows(WindowQuery{}.ofProcess(telvia.id()).ofClass(L"#32770").visible());
}

enum class DeadServer { silent, trickling };

class BackgroundOpen : public Scenario, public ::testing::WithParamInterface<DeadServer> {};

TEST_P(BackgroundOpen, TheWindowAnswersThroughoutAnOpenAndAStepOrACloseEndsIt)
{
    testing::LoopbackHttpServer radio;
    radio.on("/radio.mp3", testing::Reply::withBody(200, testing::silentMpegAudio(250), "Content-Type: audio/mpeg\r\n"));
    testing::LoopbackHttpServer dead;
    const std::string playlist = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nsegment0.ts\n";
    for (const std::string target : {"/dead.m3u8", "/next.m3u8"}) {
        dead.on(target, GetParam() == DeadServer::silent ? testing::Reply::silent()
                                                         : testing::Reply::withBody(200, playlist));
    }
    if (GetParam() == DeadServer::trickling) {
        dead.setNetwork(0ms, 1);  // a byte a second, head and body alike
    }
    storeCatalogue({channelAt(L"Alpha", radio.address("/radio.mp3")), channelAt(L"Dead", dead.address("/dead.m3u8")),
                    channelAt(L"Next", dead.address("/next.m3u8"))},
                   L"Alpha");

    TelviaProcess& telvia = startAndWaitForWindow();
    ASSERT_TRUE(waitUntil([&] { return telvia.title().starts_with(L"Telvia  [ Alpha ]"); }, 20s))
        << toUtf8(telvia.title());
    telvia.postCommand(nextChannelCommand);
    ASSERT_TRUE(dead.waitForRequests(1, 5s)) << "the dead channel was never asked for";

    const Responsiveness measured = measureResponsiveness(telvia.mainWindow(), measuredOpen);
    std::printf("[ figure ] %s server: longest WM_NULL stall %lld ms over %lld ms (%d answered)\n",
                GetParam() == DeadServer::silent ? "silent" : "trickling",
                static_cast<long long>(measured.longestStall.count()),
                static_cast<long long>(measuredOpen.count()), measured.answered);
    RecordProperty("longest_stall_ms", static_cast<int>(measured.longestStall.count()));
    EXPECT_LT(measured.longestStall, longestAllowedStall);
    EXPECT_EQ(telvia.title(), L"Telvia  [ Dead ]");
    EXPECT_TRUE(dialogsOf(telvia).empty()) << "a box came while the channel opened";

    // Stepping on leaves the open behind at once.
    telvia.postKey(VK_RIGHT);
    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Next ]"; }, 1s)) << toUtf8(telvia.title());
    EXPECT_TRUE(dead.waitForRequests(2, 5s)) << "the next channel was never asked for";

    // Closing during an open ends at once and keeps no channel that did not open.
    const auto closing = std::chrono::steady_clock::now();
    telvia.post(WM_CLOSE, 0, 0);
    EXPECT_EQ(telvia.waitForExit(1s), std::optional<DWORD>(0)) << "closing took longer than a second";
    const auto closed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - closing);
    std::printf("[ figure ] %s server: closed during the open in %lld ms\n",
                GetParam() == DeadServer::silent ? "silent" : "trickling", static_cast<long long>(closed.count()));
    EXPECT_TRUE(telvia.waitForExit(20s).has_value());
    EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L""));
}

INSTANTIATE_TEST_SUITE_P(Servers, BackgroundOpen, ::testing::Values(DeadServer::silent, DeadServer::trickling),
                         [](const ::testing::TestParamInfo<DeadServer>& server) {
                             return server.param == DeadServer::silent ? "Silent" : "Trickling";
                         });

// The program's own source reports the buffering it starts with, as the ASF reader does,
// so the connecting status gives way once the channel plays.
using ConnectingStatus = Scenario;

TEST_F(ConnectingStatus, ClearsOnceAChannelPlays)
{
    testing::LoopbackHttpServer radio;
    radio.on("/radio.mp3", testing::Reply::withBody(200, testing::silentMpegAudio(2000), "Content-Type: audio/mpeg\r\n"));
    storeCatalogue({channelAt(L"Radio", radio.address("/radio.mp3"))}, L"Radio");
    workspace().writeFile(L"translation.ini", "[SECTION_2]\r\nCONNECTING=Connecting\r\nBUFFERING=Buffering\r\n");
    // Samples flow only where a renderer takes them: the audio pin needs a sound device.
    const SilentSoundDevice sound;

    TelviaProcess& telvia = startAndWaitForWindow();
    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Radio ]"; }, 20s)) << toUtf8(telvia.title());
    exitNormally(telvia);
}

using FailureMessage = Scenario;

TEST_F(FailureMessage, PostedChannelChangesOpenNothingAndClosingKeepsNoChannel)
{
    testing::LoopbackHttpServer other;
    other.on("/other.mp3", testing::Reply::withBody(200, testing::silentMpegAudio(250), "Content-Type: audio/mpeg\r\n"));
    // Nothing listens on the failing channel's port: it fails at once.
    const std::string refused = "http://127.0.0.1:" + std::to_string(testing::unusedLoopbackPort()) + "/gone.mp3";
    storeCatalogue({channelAt(L"Alpha", refused), channelAt(L"Beta", other.address("/other.mp3"))}, L"Alpha");

    TelviaProcess& telvia = start();
    const Dialog box = Dialog::waitForTitled(telvia, L"Telvia");
    EXPECT_EQ(box.controlText(Dialog::messageTextId), L"Connection failed!");
    telvia.waitForMainWindow();

    // A remote control's steps and picks reach the window while the box is up.
    for (int step = 0; step < 5; ++step) {
        telvia.postCommand(nextChannelCommand);
        telvia.postKey(VK_RIGHT);
    }
    telvia.postCommand(command::firstChannel);      // "Alpha" in the channels pop-up
    telvia.postCommand(command::firstChannel + 1);  // "Beta"
    telvia.postCommand(command::reconnect);
    EXPECT_FALSE(other.waitForRequests(1, 2s)) << "a channel opened behind the box";
    EXPECT_EQ(dialogsOf(telvia).size(), 1u) << "a second box came";
    EXPECT_EQ(telvia.title(), L"Telvia");

    // Closing with the box up keeps no channel for the next start.
    telvia.post(WM_CLOSE, 0, 0);
    EXPECT_EQ(telvia.waitForExit(5s), std::optional<DWORD>(0));
    EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L""));
}

}  // namespace
}  // namespace telvia::e2e
