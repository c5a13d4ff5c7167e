#include "playback/stream/dash/dash_clock.h"

#include "playback/stream/dash/xs_time.h"

namespace telvia::stream {

namespace {

std::string_view trim(std::string_view text)
{
    constexpr std::string_view space = " \t\r\n";
    const std::size_t first = text.find_first_not_of(space);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

}  // namespace

DashClockSource clockSourceOf(const DashManifest& manifest)
{
    for (const DashUtcTiming& timing : manifest.utcTimings) {
        if (timing.scheme == DashClockScheme::direct) {
            if (const auto ms = parseXsDateTime(trim(timing.value))) {
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
    return parseXsDateTime(trim(body));
}

std::int64_t clockOffsetMs(std::int64_t serverMs, std::int64_t askedMs, std::int64_t answeredMs)
{
    return serverMs - (askedMs + (answeredMs - askedMs) / 2);
}

}  // namespace telvia::stream
