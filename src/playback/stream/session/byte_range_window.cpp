#include "playback/stream/session/byte_range_window.h"

#include <algorithm>

namespace telvia::stream {

ByteRangeWindow::ByteRangeWindow(std::optional<HlsByteRange> range, bool wholeResource)
{
    if (range) {
        skip_ = wholeResource ? range->offset : 0;
        left_ = range->length;
    }
}

std::span<const std::uint8_t> ByteRangeWindow::take(std::span<const std::uint8_t> bytes)
{
    const auto skipped = static_cast<std::size_t>(std::min<std::uint64_t>(skip_, bytes.size()));
    skip_ -= skipped;
    bytes = bytes.subspan(skipped);
    if (left_) {
        const auto kept = static_cast<std::size_t>(std::min<std::uint64_t>(*left_, bytes.size()));
        *left_ -= kept;
        bytes = bytes.first(kept);
    }
    return bytes;
}

}  // namespace telvia::stream
