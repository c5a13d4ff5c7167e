// Internet streams on the real program: an MPEG audio stream served over HTTP by a loopback
// server opens through the program's own source, a live HLS channel whose server stalls
// shows the buffering in the title, and an address that names a network share is refused
// without the share ever being asked for.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/catalogue.h"
#include "driver/dialog.h"
#include "driver/registry.h"
#include "driver/text.h"
#include "driver/wine_setup.h"
#include "live_hls_channel.h"
#include "loopback_http_server.h"
#include "mpeg_audio_ts.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

class StreamSource : public Scenario {
protected:
    // The catalogue holds one channel at the address, and it is the one of the last run,
    // so it plays at start.
    static void storeCurrentChannel(const std::wstring& address)
    {
        ChannelFields radio = sampleChannel(L"DEU", L"Radio", 1);
        radio.address = address;
        registry::writeAllValues(registry::channelsKey,
                                 registry::catalogueValues(std::vector<ChannelFields>{radio}));
        registry::writeString(registry::settingsKey, L"channelName", L"Radio");
    }
};

TEST_F(StreamSource, AnAudioStreamOverHttpOpensThroughTheProgramsOwnSource)
{
    testing::LoopbackHttpServer server;
    server.on("/radio.mp3", testing::Reply::withBody(200, testing::silentMpegAudio(250), "Content-Type: audio/mpeg\r\n"));
    storeCurrentChannel(fromUtf8(server.address("/radio.mp3")));

    TelviaProcess& telvia = startAndWaitForWindow();
    ASSERT_TRUE(server.waitForRequests(1, std::chrono::seconds(10))) << "the stream was never asked for";
    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Radio ]"; })) << toUtf8(telvia.title());
    // A failed connection would say so in a message box and forget the channel's name.
    EXPECT_FALSE(Dialog::findOwned(telvia, std::chrono::seconds(2)).has_value()) << "a message box came";
    const std::vector<testing::ReceivedRequest> requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].target, "/radio.mp3");
    EXPECT_EQ(requests[0].values("User-Agent").size(), 1u);
    exitNormally(telvia);
    EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L"Radio"));
}

// The status word comes from the translation file; without one it is empty.
TEST_F(StreamSource, ALiveChannelShowsBufferingInTheTitleWhileItsServerStalls)
{
    using namespace std::chrono_literals;
    testing::LoopbackHttpServer server;
    // The program starts three target durations (2 s) from the live edge, at segment 0 of
    // 0-5 (1.152 s each), and takes what is there; segment 9 appears some 4.6 s later and
    // then keeps it waiting for 8 s, longer than the queue lasts.
    const std::uint64_t stalled = 9;
    testing::LiveHlsSettings settings;
    settings.stalledSegment = stalled;
    settings.stall = 8s;
    const testing::LiveHlsChannel channel(server, settings);
    storeCurrentChannel(fromUtf8(channel.address()));
    workspace().writeFile(L"translation.ini", "[SECTION_2]\r\nBUFFERING=Buffering\r\n");
    // Samples flow only where a renderer takes them: the audio pin needs a sound device.
    const SilentSoundDevice sound;

    TelviaProcess& telvia = startAndWaitForWindow();
    ASSERT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Radio ]"; }, 20s)) << toUtf8(telvia.title());
    ASSERT_TRUE(server.waitForRequests(1, 10s));
    const auto askedForStalled = [&] {
        for (const testing::ReceivedRequest& request : server.requests()) {
            if (request.target == testing::LiveHlsChannel::segmentTarget(stalled)) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Radio ]  Buffering"; }, 20s))
        << toUtf8(telvia.title());
    EXPECT_TRUE(askedForStalled()) << "buffering began before the server stalled";
    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Radio ]"; }, 20s)) << toUtf8(telvia.title());
    EXPECT_FALSE(Dialog::findOwned(telvia, 1s).has_value()) << "a message box came";
    exitNormally(telvia);
}

TEST_F(StreamSource, ANetworkShareIsNeverOpened)
{
    storeCurrentChannel(L"\\\\127.0.0.1\\share\\clip.wmv");
    TelviaProcess& telvia = startAndWaitForWindow();
    const Dialog box = Dialog::waitForTitled(telvia, L"Telvia");
    EXPECT_EQ(box.controlText(Dialog::messageTextId), L"Connection failed!");
    box.press(IDOK);
    ASSERT_TRUE(box.waitClosed());
    EXPECT_EQ(telvia.title(), L"Telvia");
    exitNormally(telvia);
}

}  // namespace
}  // namespace telvia::e2e
