// How a fetch of a segment, key or playlist ended, and what an HTTP status says of it.
#pragma once

#include <cstdint>

#include "playback/stream/hls/playlist_scheduler.h"

namespace telvia::stream {

enum class FetchResult : std::uint8_t {
    loaded,
    notFound,   // 404 or 410: the server no longer has it
    failed,     // any other error
    brokenOff,  // some of it came, then the transfer broke
    stopped,    // the session was stopped
};

// 404 and 410 say the resource is gone; anything else may pass.
[[nodiscard]] inline FetchFailure failureOfStatus(std::uint32_t status)
{
    return status == 404 || status == 410 ? FetchFailure::notFound : FetchFailure::other;
}

[[nodiscard]] inline FetchResult resultOfStatus(std::uint32_t status)
{
    return failureOfStatus(status) == FetchFailure::notFound ? FetchResult::notFound : FetchResult::failed;
}

}  // namespace telvia::stream
