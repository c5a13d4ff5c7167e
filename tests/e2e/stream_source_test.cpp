// Internet streams on the real program: an MPEG audio stream served over HTTP by a loopback
// server opens through the program's own source, and an address that names a network share
// is refused without the share ever being asked for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/catalogue.h"
#include "driver/dialog.h"
#include "driver/registry.h"
#include "driver/text.h"
#include "loopback_http_server.h"
#include "scenario.h"

namespace telvia::e2e {
namespace {

// Six seconds of silent MPEG-1 layer 2 audio: 48 kHz, 128 kbit/s, stereo, 384-byte frames
// whose zero payload allocates no bits to any subband.
std::string silentAudio()
{
    std::string frame(384, '\0');
    frame[0] = '\xFF';
    frame[1] = '\xFD';
    frame[2] = '\x84';
    std::string body;
    for (int i = 0; i < 250; ++i) {
        body += frame;
    }
    return body;
}

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
    server.on("/radio.mp3", testing::Reply::withBody(200, silentAudio(), "Content-Type: audio/mpeg\r\n"));
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
