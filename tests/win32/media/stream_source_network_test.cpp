// The program's stream source as the program puts it together (the filter, the stream
// session, the WinHTTP client) in Wine's real filter graph, against a loopback server:
// every kind of address a channel may have opens, renders through the system's MPEG audio
// decoder and plays; what cannot be opened fails Load; a download that hangs does not
// hold up the graph's tear-down. Needs ALSA's null device: runs in the
// win32_stream_source_audio entry.
#include <windows.h>

#include <dshow.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "demo_media.h"
#include "graph_test_support.h"
#include "live_hls_channel.h"
#include "loopback_http_server.h"
#include "mpeg_audio_ts.h"
#include "platform/win32/media/stream_source_filter.h"
#include "platform/win32/net/win32_cipher.h"
#include "platform/win32/net/win32_http.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/session/stream_session.h"

namespace {

using namespace telvia;
using namespace telvia::testing;
using win32::ComPtr;

// Three segments of 1.152 s: the whole stream plays in under four seconds.
constexpr int vodSegments = 3;
constexpr int framesPerSegment = 48;

std::wstring wide(const std::string& text) { return {text.begin(), text.end()}; }

void serveVod(LoopbackHttpServer& server)
{
    server.on("/vod/master.m3u8", Reply::withBody(200, "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=200000\nmedia.m3u8\n",
                                                  "Content-Type: application/vnd.apple.mpegurl\r\n"));
    std::string media = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:0\n";
    for (int index = 0; index < vodSegments; ++index) {
        media += "#EXTINF:1.152,\nsegment" + std::to_string(index) + ".ts\n";
        server.on("/vod/segment" + std::to_string(index) + ".ts",
                  Reply::withBody(200, silentMpegAudioSegment(static_cast<std::uint64_t>(index), framesPerSegment),
                                  "Content-Type: video/mp2t\r\n"));
    }
    media += "#EXT-X-ENDLIST\n";
    server.on("/vod/media.m3u8", Reply::withBody(200, media, "Content-Type: application/vnd.apple.mpegurl\r\n"));
}

class StreamSourceAudioOverHttp : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (lacksSoundDevice()) {
            GTEST_SKIP() << "under Wine this test needs ALSA's null device: run it as the "
                            "win32_stream_source_audio test, which sets ALSA_CONFIG_PATH";
        }
        ASSERT_GE(apartment_.result(), 0);
    }

    // The filter as the program makes it, loaded with the address in a new graph.
    HRESULT open(const std::string& address)
    {
        filter_ = win32::createStreamSourceFilter(
            [this](StreamSourceEvents& events) -> std::unique_ptr<StreamSourcePort> {
                return std::make_unique<stream::StreamSession>(http_, cipher_, clock_, events);
            });
        graph_ = makeGraph();
        if (!filter_ || !graph_ || graph_->AddFilter(filter_.get(), L"WMASFReader") != S_OK) {
            return E_FAIL;
        }
        control_ = query<IMediaControl>(*graph_.get(), IID_IMediaControl);
        events_ = query<IMediaEventEx>(*graph_.get(), IID_IMediaEventEx);
        return load(*filter_.get(), wide(address).c_str());
    }

    // Renders the one audio pin and runs the graph.
    void renderAndRun()
    {
        const std::vector<ComPtr<IPin>> pins = pinsOf(*filter_.get());
        ASSERT_EQ(pins.size(), 1U);
        const HRESULT rendered = graph_->Render(pins[0].get());
        ASSERT_GE(rendered, 0) << hex(rendered);
        ASSERT_TRUE(control_ && events_);
        ASSERT_GE(control_->Run(), 0);
    }

    // Everything released, the filter last; how long that took.
    std::chrono::milliseconds tearDown()
    {
        const auto begun = GraphClock::now();
        control_.reset();
        events_.reset();
        graph_.reset();
        filter_.reset();
        return std::chrono::duration_cast<std::chrono::milliseconds>(GraphClock::now() - begun);
    }

    ComApartment apartment_;
    win32::Win32HttpClient http_;
    win32::Win32Cipher cipher_;
    stream::SteadyStreamClock clock_;
    ComPtr<IBaseFilter> filter_;
    ComPtr<IGraphBuilder> graph_;
    ComPtr<IMediaControl> control_;
    ComPtr<IMediaEventEx> events_;
};

// A finished stream completes the graph only once every sample went through the decoder
// to the renderer and its end followed.
TEST_F(StreamSourceAudioOverHttp, FiniteStreamsOfEveryKindPlayToTheirEnd)
{
    LoopbackHttpServer server;
    serveVod(server);
    server.on("/moved", Reply::redirect(302, "/vod/master.m3u8"));
    std::string plain;
    for (int index = 0; index < vodSegments; ++index) {
        plain += silentMpegAudioSegment(static_cast<std::uint64_t>(index), framesPerSegment);
    }
    server.on("/news.ts", Reply::withBody(200, plain, "Content-Type: video/mp2t\r\n"));
    server.on("/radio.mp3", Reply::toClose(silentMpegAudio(vodSegments * framesPerSegment)));

    const struct {
        const char* kind;
        const char* target;
    } cases[] = {
        {"HLS master playlist", "/vod/master.m3u8"},
        {"HLS media playlist", "/vod/media.m3u8"},
        {"a redirect to a playlist", "/moved"},
        {"a transport stream", "/news.ts"},
        {"a radio stream", "/radio.mp3"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.kind);
        const HRESULT loaded = open(server.address(test.target));
        ASSERT_EQ(loaded, S_OK) << hex(loaded);
        ASSERT_NO_FATAL_FAILURE(renderAndRun());
        EXPECT_TRUE(waitForEvent(*events_.get(), EC_COMPLETE, 15000)) << "the stream did not play to its end";
        EXPECT_LT(tearDown(), std::chrono::milliseconds(1000));
    }
}

TEST_F(StreamSourceAudioOverHttp, ALiveChannelKeepsPlayingAsItsPlaylistGrows)
{
    LoopbackHttpServer server;
    const LiveHlsChannel channel(server, {});
    ASSERT_EQ(open(channel.address()), S_OK);
    ASSERT_NO_FATAL_FAILURE(renderAndRun());
    // Started three target durations (2 s) from the edge, at segment 0 of 0-5, the source
    // reads on only while the renderer takes samples: unplayed, its queue would hold 10 s
    // after segment 8 and segment 9 would never be asked for. Played, segment 13 is due
    // once listed, 9.2 s in.
    const auto askedFor = [&](std::uint64_t segment) {
        for (const ReceivedRequest& request : server.requests()) {
            if (request.target == LiveHlsChannel::segmentTarget(segment)) return true;
        }
        return false;
    };
    EXPECT_TRUE(waitUntil([&] { return askedFor(13); }, 20000)) << "the renderer stopped taking samples";
    OAFilterState state = State_Stopped;
    EXPECT_GE(control_->GetState(1000, &state), 0);
    EXPECT_EQ(state, State_Running);
    EXPECT_FALSE(waitForEvent(*events_.get(), EC_ERRORABORT, 100));
    EXPECT_LT(tearDown(), std::chrono::milliseconds(1000));
}

TEST_F(StreamSourceAudioOverHttp, WhatCannotBeOpenedFailsLoad)
{
    LoopbackHttpServer server;
    server.on("/page.m3u8", Reply::withBody(200, "<html>Not a playlist</html>", "Content-Type: text/html\r\n"));
    const struct {
        const char* kind;
        std::string address;
    } cases[] = {
        {"404", server.address("/missing.m3u8")},
        {"a refused connection", "http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/live.m3u8"},
        {"a web page", server.address("/page.m3u8")},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.kind);
        EXPECT_LT(open(test.address), 0);
        EXPECT_TRUE(pinsOf(*filter_.get()).empty());
        tearDown();
    }
}

TEST_F(StreamSourceAudioOverHttp, TearDownDoesNotWaitForADownloadThatHangs)
{
    LoopbackHttpServer server;
    // Segment 4 is the fifth one asked for; it never comes whole.
    LiveHlsSettings settings;
    settings.hungSegment = 4;
    const LiveHlsChannel channel(server, settings);
    ASSERT_EQ(open(channel.address()), S_OK);
    ASSERT_NO_FATAL_FAILURE(renderAndRun());
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const ReceivedRequest& request : server.requests()) {
                if (request.target == LiveHlsChannel::segmentTarget(4)) return true;
            }
            return false;
        },
        5000));
    EXPECT_LT(tearDown(), std::chrono::milliseconds(1000));
}

}  // namespace
