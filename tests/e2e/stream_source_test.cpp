// Internet streams on the real program: an MPEG audio stream served over HTTP by a loopback
// server opens through the program's own source, so do radio channels in fragmented MP4 by
// an HLS playlist and by a DASH manifest, a live HLS channel whose server stalls
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
#include "mpeg_audio_mp4.h"
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

TEST_F(StreamSource, RadioInFragmentedMp4PlaysByAnHlsPlaylistAndByADashManifest)
{
    // Three segments of 4 s of MPEG-1 layer 2 sound, which Wine decodes.
    constexpr int frames = 166;
    const std::string hls = "#EXTM3U\n#EXT-X-VERSION:7\n#EXT-X-TARGETDURATION:4\n#EXT-X-MAP:URI=\"init.mp4\"\n"
                            "#EXTINF:3.984,\n0.m4s\n#EXTINF:3.984,\n1.m4s\n#EXTINF:3.984,\n2.m4s\n#EXT-X-ENDLIST\n";
    const std::string dash =
        "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" "
        "mediaPresentationDuration=\"PT11.952S\" minBufferTime=\"PT2S\">\n<Period>\n"
        "<AdaptationSet contentType=\"audio\" mimeType=\"audio/mp4\">\n"
        "<SegmentTemplate timescale=\"48000\" duration=\"191232\" startNumber=\"0\" initialization=\"init.mp4\" "
        "media=\"$Number$.m4s\"/>\n"
        "<Representation id=\"a\" bandwidth=\"128000\" codecs=\"mp4a.6B\" audioSamplingRate=\"48000\"/>\n"
        "</AdaptationSet>\n</Period>\n</MPD>\n";
    const struct {
        const char* what;
        const char* address;
        std::string body;
        const char* type;
    } cases[] = {
        {"HLS", "/radio/index.m3u8", hls, "Content-Type: application/vnd.apple.mpegurl\r\n"},
        {"DASH", "/radio/manifest.mpd", dash, "Content-Type: application/dash+xml\r\n"},
    };
    const SilentSoundDevice sound;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::LoopbackHttpServer server;
        server.on(c.address, testing::Reply::withBody(200, c.body, c.type));
        server.on("/radio/init.mp4", testing::Reply::withBody(200, testing::silentMpegAudioInitSection(),
                                                               "Content-Type: audio/mp4\r\n"));
        for (int i = 0; i < 3; ++i) {
            server.on("/radio/" + std::to_string(i) + ".m4s",
                      testing::Reply::withBody(200, testing::silentMpegAudioFragment(static_cast<std::uint64_t>(i), frames),
                                               "Content-Type: audio/mp4\r\n"));
        }
        storeCurrentChannel(fromUtf8(server.address(c.address)));

        TelviaProcess& telvia = startAndWaitForWindow();
        EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Radio ]"; })) << toUtf8(telvia.title());
        EXPECT_FALSE(Dialog::findOwned(telvia, std::chrono::seconds(2)).has_value()) << "a message box came";
        const auto asked = [&](const std::string& target) {
            for (const testing::ReceivedRequest& request : server.requests()) {
                if (request.target == target) {
                    return true;
                }
            }
            return false;
        };
        EXPECT_TRUE(asked("/radio/init.mp4"));
        EXPECT_TRUE(waitUntil([&] { return asked("/radio/2.m4s"); })) << "the sound goes on segment after segment";
        exitNormally(telvia);
        EXPECT_EQ(registry::readString(registry::settingsKey, L"channelName"), std::optional<std::wstring>(L"Radio"));
    }
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
    // The start shows "Buffering" too, until the first sample; the stall's comes after it.
    ASSERT_TRUE(waitUntil(askedForStalled, 20s)) << "the stalled segment was never asked for";
    EXPECT_TRUE(waitUntil([&] { return telvia.title() == L"Telvia  [ Radio ]  Buffering"; }, 20s))
        << toUtf8(telvia.title());
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
