// ID3v2 tags in front of audio: skipped by the readers, and in the packed audio segments
// of HLS read for the stream time of the segment's first frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace telvia::stream {

inline constexpr std::size_t id3HeaderLength = 10;

// Length of the ID3v2 tag the bytes start with, header and footer included; 0 for none
// (or too few bytes to tell).
[[nodiscard]] std::size_t id3TagLength(std::span<const std::uint8_t> bytes);

// The 33-bit 90 kHz time a packed audio segment's tag gives its first frame (a PRIV frame
// owned by "com.apple.streaming.transportStreamTimestamp"); none when the tag, whole or
// cut short, holds no such frame.
[[nodiscard]] std::optional<std::uint64_t> id3TransportStreamTimestamp(std::span<const std::uint8_t> tag);

}  // namespace telvia::stream
