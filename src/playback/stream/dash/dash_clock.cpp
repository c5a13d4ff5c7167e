#include "playback/stream/dash/dash_clock.h"

#include "common/ascii_trim.h"
#include "playback/stream/dash/xs_time.h"

namespace telvia::stream {

DashClockSource clockSourceOf(const DashManifest& manifest)
{
    for (const DashUtcTiming& timing : manifest.utcTimings) {
        if (timing.scheme == DashClockScheme::direct) {
            if (const auto ms = parseXsDateTime(trimAscii(timing.value))) {
                return DashClockSource{DashClockSource::Kind::direct, {}, *ms};
            }
            continue;
        }
        return DashClockSource{DashClockSource::Kind::fetch, timing.value, 0};
    }
    return {};
}

std::optional<std::int64_t> parseTimeResponse(std::string_view body)
{
    // A time server's answer is a line; anything long is not one.
    if (body.size() > 256) {
        return std::nullopt;
    }
    return parseXsDateTime(trimAscii(body));
}

std::int64_t clockOffsetMs(std::int64_t serverMs, std::int64_t askedMs, std::int64_t answeredMs)
{
    return serverMs - (askedMs + (answeredMs - askedMs) / 2);
}

}  // namespace telvia::stream
