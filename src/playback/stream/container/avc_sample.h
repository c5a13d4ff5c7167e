// H.264 in MP4: the decoder configuration of an `avcC` box, and samples whose NAL units
// each follow their length, turned into the start-code form (Annex B) a transport stream
// carries, so that both containers hand the same access units on.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace telvia::stream {

struct AvcConfig {
    std::uint8_t nalLengthSize = 4;  // 1, 2 or 4 bytes
    std::vector<std::vector<std::uint8_t>> parameterSets;  // sequence ones, then picture ones
};

// The contents of an `avcC` box; empty when malformed.
[[nodiscard]] std::optional<AvcConfig> parseAvcConfig(std::span<const std::uint8_t> contents);

// One sample as an access unit in start-code form. A key frame that carries no sequence
// parameter set of its own gets the configuration's sets in front, so that a decoder can
// start there as it can at a key frame of a transport stream. Empty when a length runs
// past the sample or a unit is empty.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> annexBAccessUnit(std::span<const std::uint8_t> sample,
                                                                      const AvcConfig& config, bool keyFrame);

}  // namespace telvia::stream
