// The clock a live manifest is timed by. A manifest may name a time source (UTCTiming):
// an address whose body is the time, or the time itself; without one the system clock
// is taken as it is. The fetch is the session's to make; reading the answer is here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "playback/stream/dash/dash_manifest.h"

namespace telvia::stream {

struct DashClockSource {
    enum class Kind : std::uint8_t {
        system,  // the manifest names no source this reader knows
        direct,  // the manifest gives the time: `directMs`, when it was fetched
        fetch,   // fetch `address`; its body is the time
    };
    Kind kind = Kind::system;
    std::string address;
    std::int64_t directMs = 0;
};

// The first time source of the manifest that can be used; a direct value that does not
// parse is passed by.
[[nodiscard]] DashClockSource clockSourceOf(const DashManifest& manifest);

// The time a time server answered (an ISO 8601 / xs:dateTime text, white space around it
// allowed), in ms since 1970; none when it is not one.
[[nodiscard]] std::optional<std::int64_t> parseTimeResponse(std::string_view body);

// How far the server's clock is ahead of ours, from its time and the moments we asked
// and heard: the answer is taken to be made halfway.
[[nodiscard]] std::int64_t clockOffsetMs(std::int64_t serverMs, std::int64_t askedMs, std::int64_t answeredMs);

}  // namespace telvia::stream
