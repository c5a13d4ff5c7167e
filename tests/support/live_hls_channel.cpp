#include "live_hls_channel.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "mpeg_audio_ts.h"

namespace telvia::testing {

// Shared with the server's responders, which may outlive the channel object.
struct LiveHlsChannel::Timeline {
    LiveHlsSettings settings;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

    [[nodiscard]] std::chrono::milliseconds segmentLength() const
    {
        if (settings.segmentBody) {
            return settings.segmentLength;
        }
        return std::chrono::milliseconds(settings.framesPerSegment * silentFrameMilliseconds);
    }

    [[nodiscard]] std::string playlistNow() const
    {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
        const long long grown = elapsed / segmentLength();
        const long long newest = std::min<long long>(settings.listed - 1 + grown, settings.segments - 1);
        const long long oldest = std::max<long long>(0, newest - settings.listed + 1);
        const long long lengthMs = segmentLength().count();
        char duration[32];
        std::snprintf(duration, sizeof duration, "%lld.%03lld", lengthMs / 1000, lengthMs % 1000);
        std::string text = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:" +
                           std::to_string((lengthMs + 999) / 1000) +
                           "\n#EXT-X-MEDIA-SEQUENCE:" + std::to_string(oldest) + "\n";
        for (long long index = oldest; index <= newest; ++index) {
            text += "#EXTINF:" + std::string(duration) + ",\n" + std::to_string(index) + ".ts\n";
        }
        return text;
    }
};

LiveHlsChannel::LiveHlsChannel(LoopbackHttpServer& server, LiveHlsSettings settings)
    : address_(server.address("/live/index.m3u8")),
      timeline_(std::make_shared<const Timeline>(Timeline{settings}))
{
    server.on("/live/index.m3u8", [timeline = timeline_](const ReceivedRequest&) {
        return Reply::withBody(200, timeline->playlistNow(), "Content-Type: application/vnd.apple.mpegurl\r\n");
    });
    for (int index = 0; index < settings.segments; ++index) {
        const auto segment = static_cast<std::uint64_t>(index);
        server.on(segmentTarget(segment), [timeline = timeline_, segment](const ReceivedRequest&) {
            const LiveHlsSettings& served = timeline->settings;
            const std::string body = served.segmentBody ? served.segmentBody(segment)
                                                        : silentMpegAudioSegment(segment, served.framesPerSegment);
            if (segment == served.hungSegment) {
                return Reply::stalled(body.size(), std::string_view(body).substr(0, body.size() / 4));
            }
            if (segment == served.stalledSegment) {
                std::this_thread::sleep_for(served.stall);
            }
            return Reply::withBody(200, body, "Content-Type: video/mp2t\r\n");
        });
    }
}

std::string LiveHlsChannel::segmentTarget(std::uint64_t index)
{
    return "/live/" + std::to_string(index) + ".ts";
}

}  // namespace telvia::testing
