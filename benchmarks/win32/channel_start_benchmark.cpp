// How long a channel takes to start, against the floor the network sets.
//
// A loopback server serves a channel (manifests and segments the size of a video channel's)
// with a round trip added to every request and its rate capped: HLS with transport stream
// segments (ts), HLS with fragmented MP4 segments (fmp4), DASH with a segment template
// (dash). Each run measures, on the same WinHTTP client:
//   start: the program's stream session opening the first address until the first sample
//          is in hand (what the source filter's Load and its first delivery wait for);
//   bare:  the fetches that cannot be avoided, one after the other, each read whole:
//          master playlist, media playlist, (initialisation section,) first segment, or
//          manifest, initialisation segment, first segment;
//   first bytes: the same, but only until the first bytes of the segment are in, the floor
//          for a source that starts on the segment's first frames.
// Prints the medians and the ratios. Usage:
//   telvia_channel_start_benchmark [--kind=ts|fmp4|dash] [--latency=MS] [--rate=BYTES_PER_SECOND] [--runs=N]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "loopback_http_server.h"
#include "mpeg_audio_mp4.h"
#include "mpeg_audio_ts.h"
#include "platform/win32/net/win32_cipher.h"
#include "platform/win32/net/win32_http.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/session/stream_session.h"

namespace {

using Clock = std::chrono::steady_clock;
using telvia::testing::LoopbackHttpServer;
using telvia::testing::Reply;

enum class Kind { ts, fmp4, dash };

struct Options {
    Kind kind = Kind::ts;
    int latencyMs = 50;
    std::uint64_t rate = 1'250'000;  // 10 Mbit/s
    int runs = 7;
};

// Four-second segments: 166 frames of 24 ms, with filler to some 1.2 MB, what a 2.5 Mbit/s
// video channel sends.
constexpr int framesPerSegment = 166;
constexpr int fillerPerFrame = 38;
constexpr int segmentCount = 5;
// The same in fragmented MP4: after each frame of 384 bytes as much as its packets and
// filler take in the transport stream.
constexpr std::size_t fragmentFillerPerFrame = (fillerPerFrame + 3) * 188 - 384;

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

// The addresses a channel is opened by and its bare fetches go to, in order; the last is
// the first segment.
struct Channel {
    std::string open;
    std::vector<std::string> fetches;
    std::size_t segmentBytes = 0;
};

std::string fragmentOf(int index)
{
    return telvia::testing::silentMpegAudioFragment(static_cast<std::uint64_t>(index), framesPerSegment,
                                                    fragmentFillerPerFrame);
}

Channel serveDash(LoopbackHttpServer& server)
{
    // One sound representation in the form live packagers write: a template by number.
    constexpr int samplesPerSegment = framesPerSegment * 1152;
    const std::string manifest =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" minBufferTime=\"PT2S\"\n"
        "     mediaPresentationDuration=\"PT19.92S\" profiles=\"urn:mpeg:dash:profile:isoff-live:2011\">\n"
        " <Period>\n"
        "  <AdaptationSet contentType=\"audio\" mimeType=\"audio/mp4\">\n"
        "   <SegmentTemplate timescale=\"48000\" duration=\"" + std::to_string(samplesPerSegment) +
        "\" startNumber=\"0\" initialization=\"init.mp4\" media=\"$Number$.m4s\"/>\n"
        "   <Representation id=\"sound\" bandwidth=\"2500000\" codecs=\"mp4a.6B\" audioSamplingRate=\"48000\"/>\n"
        "  </AdaptationSet>\n"
        " </Period>\n"
        "</MPD>\n";
    server.on("/channel/manifest.mpd", Reply::withBody(200, manifest, "Content-Type: application/dash+xml\r\n"));
    server.on("/channel/init.mp4",
              Reply::withBody(200, telvia::testing::silentMpegAudioInitSection(), "Content-Type: audio/mp4\r\n"));
    Channel channel{server.address("/channel/manifest.mpd"),
                    {server.address("/channel/manifest.mpd"), server.address("/channel/init.mp4"),
                     server.address("/channel/0.m4s")}};
    for (int index = 0; index < segmentCount; ++index) {
        std::string body = fragmentOf(index);
        channel.segmentBytes = body.size();
        server.on("/channel/" + std::to_string(index) + ".m4s",
                  Reply::withBody(200, std::move(body), "Content-Type: audio/mp4\r\n"));
    }
    return channel;
}

Channel serveChannel(LoopbackHttpServer& server, Kind kind)
{
    if (kind == Kind::dash) {
        return serveDash(server);
    }
    server.on("/channel/master.m3u8",
              Reply::withBody(200,
                              "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=2500000\nmedia.m3u8\n",
                              "Content-Type: application/vnd.apple.mpegurl\r\n"));
    Channel channel{server.address("/channel/master.m3u8"),
                    {server.address("/channel/master.m3u8"), server.address("/channel/media.m3u8")}};
    std::string media = "#EXTM3U\n#EXT-X-VERSION:7\n#EXT-X-TARGETDURATION:4\n#EXT-X-MEDIA-SEQUENCE:0\n";
    if (kind == Kind::fmp4) {
        media += "#EXT-X-MAP:URI=\"init.mp4\"\n";
        server.on("/channel/init.mp4",
                  Reply::withBody(200, telvia::testing::silentMpegAudioInitSection(), "Content-Type: video/mp4\r\n"));
        channel.fetches.push_back(server.address("/channel/init.mp4"));
    }
    const std::string extension = kind == Kind::fmp4 ? ".m4s" : ".ts";
    for (int index = 0; index < segmentCount; ++index) {
        const auto number = static_cast<std::uint64_t>(index);
        media += "#EXTINF:3.984,\n" + std::to_string(index) + extension + "\n";
        std::string body = kind == Kind::fmp4 ? fragmentOf(index)
                                              : telvia::testing::silentMpegAudioSegment(number, framesPerSegment, fillerPerFrame);
        channel.segmentBytes = body.size();
        server.on("/channel/" + std::to_string(index) + extension,
                  Reply::withBody(200, std::move(body),
                                  kind == Kind::fmp4 ? "Content-Type: video/iso.segment\r\n" : "Content-Type: video/mp2t\r\n"));
    }
    channel.fetches.push_back(server.address("/channel/0" + extension));
    media += "#EXT-X-ENDLIST\n";
    server.on("/channel/media.m3u8", Reply::withBody(200, media, "Content-Type: application/vnd.apple.mpegurl\r\n"));
    return channel;
}

// The bare fetches, the segment whole or only its first bytes.
bool fetchBare(telvia::HttpClientPort& http, const Channel& channel, bool wholeSegment)
{
    for (std::size_t i = 0; i < channel.fetches.size(); ++i) {
        if (!read(http, channel.fetches[i], wholeSegment || i + 1 < channel.fetches.size())) {
            return false;
        }
    }
    return true;
}

Options parse(int argc, wchar_t** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view argument = argv[i];
        const auto value = [&](std::wstring_view name) -> const wchar_t* {
            return argument.starts_with(name) ? argv[i] + name.size() : nullptr;
        };
        if (const wchar_t* kind = value(L"--kind=")) {
            const std::wstring_view name = kind;
            options.kind = name == L"fmp4" ? Kind::fmp4 : name == L"dash" ? Kind::dash : Kind::ts;
        } else if (const wchar_t* latency = value(L"--latency=")) {
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
    const Channel channel = serveChannel(server, options.kind);
    server.setNetwork(std::chrono::milliseconds(options.latencyMs), options.rate);

    telvia::win32::Win32HttpClient http;
    telvia::win32::Win32Cipher cipher;
    telvia::stream::SteadyStreamClock clock;
    QuietEvents events;
    std::vector<double> starts;
    std::vector<double> bares;
    std::vector<double> firstBytes;
    for (int run = 0; run < options.runs; ++run) {
        // Alternating the two keeps a drift of the machine's load out of the ratio.
        Clock::time_point began = Clock::now();
        {
            telvia::stream::StreamSession session(http, cipher, clock, events);
            if (session.open(channel.open) != telvia::StreamOpenResult::opened || !session.nextSample(0)) {
                std::fprintf(stderr, "channel-start: the session did not open the channel\n");
                return 1;
            }
            starts.push_back(millisecondsSince(began));
        }
        began = Clock::now();
        if (!fetchBare(http, channel, true)) {
            std::fprintf(stderr, "channel-start: a bare fetch failed\n");
            return 1;
        }
        bares.push_back(millisecondsSince(began));
        began = Clock::now();
        if (!fetchBare(http, channel, false)) {
            std::fprintf(stderr, "channel-start: a bare fetch failed\n");
            return 1;
        }
        firstBytes.push_back(millisecondsSince(began));
    }
    const double start = median(starts);
    const double bare = median(bares);
    const double floor = median(firstBytes);
    std::printf("channel-start: %s, %d ms per request, %.1f Mbit/s, segment %zu bytes, %d runs\n",
                options.kind == Kind::dash   ? "DASH with fragmented MP4"
                : options.kind == Kind::fmp4 ? "HLS with fragmented MP4"
                                             : "HLS with transport stream",
                options.latencyMs,
                static_cast<double>(options.rate) * 8 / 1e6, channel.segmentBytes, options.runs);
    std::printf("channel-start: open to first sample %.0f ms, bare fetches %.0f ms, bare to the segment's first "
                "bytes %.0f ms (medians)\n",
                start, bare, floor);
    std::printf("channel-start: ratio %.2f to the bare fetches, %.2f to the segment's first bytes\n", start / bare,
                start / floor);
    return 0;
}
