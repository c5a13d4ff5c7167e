// The part of an answer's body that a byte-range request asked for. A server that ignores
// the range answers 200 with the whole resource: its bytes before the range are passed
// over. Either way nothing past the range's end goes on, so a segment that shares its file
// with others is never read into the next one.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "playback/stream/hls/hls_playlist.h"

namespace telvia::stream {

class ByteRangeWindow {
public:
    // range: none takes the whole body. wholeResource: the answer is the resource from its
    // first byte (status 200), not the part asked for (206).
    ByteRangeWindow(std::optional<HlsByteRange> range, bool wholeResource);

    // The bytes of the next piece of the body that lie in the range.
    [[nodiscard]] std::span<const std::uint8_t> take(std::span<const std::uint8_t> bytes);

    // The range's last byte has come: what follows, if anything, is not wanted.
    [[nodiscard]] bool complete() const { return left_ && *left_ == 0; }

private:
    std::uint64_t skip_ = 0;
    std::optional<std::uint64_t> left_;
};

}  // namespace telvia::stream
