// How long a channel takes to start, against the floor the network sets.
//
// A loopback server serves an HLS channel (master playlist, media playlist, segments the
// size of a video channel's) with a round trip added to every request and its rate capped.
// Each run measures, on the same WinHTTP client:
//   start: the program's stream session opening the master address until the first sample
//          is in hand (what the source filter's Load and its first delivery wait for);
//   bare:  the three fetches that cannot be avoided, one after the other, each read whole:
//          master playlist, media playlist, first segment;
//   first bytes: the same, but only until the first bytes of the segment are in, the floor
//          for a source that starts on the segment's first frames.
// Prints the medians and the ratios. Usage:
//   telvia_channel_start_benchmark [--latency=MS] [--rate=BYTES_PER_SECOND] [--runs=N]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "loopback_http_server.h"
#include "mpeg_audio_ts.h"
#include "platform/win32/net/win32_cipher.h"
#include "platform/win32/net/win32_http.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/session/stream_session.h"

namespace {

using Clock = std::chrono::steady_clock;
using telvia::testing::LoopbackHttpServer;
using telvia::testing::Reply;

struct Options {
    int latencyMs = 50;
    std::uint64_t rate = 1'250'000;  // 10 Mbit/s
    int runs = 7;
};

// Four-second segments: 166 frames of 24 ms, with filler to some 1.2 MB, what a 2.5 Mbit/s
// video channel sends.
constexpr int framesPerSegment = 166;
constexpr int fillerPerFrame = 38;
constexpr int segmentCount = 5;

class QuietEvents final : public telvia::StreamSourceEvents {
public:
    void onBuffering(bool) override {}
};

// Reads the body whole, or only until its first bytes are in.
bool read(telvia::HttpClientPort& http, const std::string& address, bool whole = true)
{
    const std::unique_ptr<telvia::HttpTransfer> transfer = http.get(telvia::HttpRequest{address, {}, {}, {}});
    if (transfer->start().error != telvia::httpOk) {
        return false;
    }
    std::vector<std::byte> buffer(64 * 1024);
    for (;;) {
        const telvia::HttpReadResult result = transfer->read(buffer);
        if (result.error != telvia::httpOk) {
            return false;
        }
        if (result.count == 0 || !whole) {
            return true;
        }
    }
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void serveChannel(LoopbackHttpServer& server)
{
    server.on("/channel/master.m3u8",
              Reply::withBody(200,
                              "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=2500000\nmedia.m3u8\n",
                              "Content-Type: application/vnd.apple.mpegurl\r\n"));
    std::string media = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:4\n#EXT-X-MEDIA-SEQUENCE:0\n";
    for (int index = 0; index < segmentCount; ++index) {
        media += "#EXTINF:3.984,\n" + std::to_string(index) + ".ts\n";
        server.on("/channel/" + std::to_string(index) + ".ts",
                  Reply::withBody(200,
                                  telvia::testing::silentMpegAudioSegment(static_cast<std::uint64_t>(index),
                                                                          framesPerSegment, fillerPerFrame),
                                  "Content-Type: video/mp2t\r\n"));
    }
    media += "#EXT-X-ENDLIST\n";
    server.on("/channel/media.m3u8", Reply::withBody(200, media, "Content-Type: application/vnd.apple.mpegurl\r\n"));
}

Options parse(int argc, wchar_t** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view argument = argv[i];
        const auto value = [&](std::wstring_view name) -> const wchar_t* {
            return argument.starts_with(name) ? argv[i] + name.size() : nullptr;
        };
        if (const wchar_t* latency = value(L"--latency=")) {
            options.latencyMs = _wtoi(latency);
        } else if (const wchar_t* rate = value(L"--rate=")) {
            options.rate = static_cast<std::uint64_t>(_wtoi64(rate));
        } else if (const wchar_t* runs = value(L"--runs=")) {
            options.runs = std::max(1, _wtoi(runs));
        }
    }
    return options;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const Options options = parse(argc, argv);
    LoopbackHttpServer server;
    serveChannel(server);
    server.setNetwork(std::chrono::milliseconds(options.latencyMs), options.rate);

    telvia::win32::Win32HttpClient http;
    telvia::win32::Win32Cipher cipher;
    telvia::stream::SteadyStreamClock clock;
    QuietEvents events;
    const std::string master = server.address("/channel/master.m3u8");
    std::vector<double> starts;
    std::vector<double> bares;
    std::vector<double> firstBytes;
    const std::string media = server.address("/channel/media.m3u8");
    const std::string segment = server.address("/channel/0.ts");
    for (int run = 0; run < options.runs; ++run) {
        // Alternating the two keeps a drift of the machine's load out of the ratio.
        Clock::time_point began = Clock::now();
        {
            telvia::stream::StreamSession session(http, cipher, clock, events);
            if (session.open(master) != telvia::StreamOpenResult::opened || !session.nextSample(0)) {
                std::fprintf(stderr, "channel-start: the session did not open the channel\n");
                return 1;
            }
            starts.push_back(millisecondsSince(began));
        }
        began = Clock::now();
        if (!read(http, master) || !read(http, media) || !read(http, segment)) {
            std::fprintf(stderr, "channel-start: a bare fetch failed\n");
            return 1;
        }
        bares.push_back(millisecondsSince(began));
        began = Clock::now();
        if (!read(http, master) || !read(http, media) || !read(http, segment, false)) {
            std::fprintf(stderr, "channel-start: a bare fetch failed\n");
            return 1;
        }
        firstBytes.push_back(millisecondsSince(began));
    }
    const double start = median(starts);
    const double bare = median(bares);
    const double floor = median(firstBytes);
    std::printf("channel-start: %d ms per request, %.1f Mbit/s, segment %zu bytes, %d runs\n", options.latencyMs,
                static_cast<double>(options.rate) * 8 / 1e6,
                telvia::testing::silentMpegAudioSegment(0, framesPerSegment, fillerPerFrame).size(), options.runs);
    std::printf("channel-start: open to first sample %.0f ms, bare fetches %.0f ms, bare to the segment's first "
                "bytes %.0f ms (medians)\n",
                start, bare, floor);
    std::printf("channel-start: ratio %.2f to the bare fetches, %.2f to the segment's first bytes\n", start / bare,
                start / floor);
    return 0;
}
