// The header of a packetised elementary stream (PES) packet: stream id, length and the
// 33-bit presentation and decoding timestamps in 90 kHz units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace telvia::stream {

struct PesHeader {
    std::uint8_t streamId = 0;
    std::optional<std::uint64_t> pts;
    std::optional<std::uint64_t> dts;
    std::size_t payloadOffset = 0;            // where the elementary stream bytes begin
    std::optional<std::size_t> totalLength;   // header included; none when unbounded (video)
};

// The PES header needs at least this many bytes before its length can be known.
inline constexpr std::size_t pesFixedHeaderLength = 6;

// Empty when the bytes lack the start code, are cut inside the header, or the header's
// lengths contradict each other.
[[nodiscard]] std::optional<PesHeader> parsePesHeader(std::span<const std::uint8_t> bytes);

}  // namespace telvia::stream
