// NAL units of an H.264 byte stream (Annex B), where each unit follows a 00 00 01 or
// 00 00 00 01 start code.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace telvia::stream {

inline constexpr std::uint8_t nalTypeIdr = 5;
inline constexpr std::uint8_t nalTypeSps = 7;

// The units between start codes, header byte first, without the start codes and the
// zero bytes that trail a unit. Bytes before the first start code are not a unit.
[[nodiscard]] std::vector<std::span<const std::uint8_t>> splitNalUnits(std::span<const std::uint8_t> bytes);

// Whether an access unit holds an IDR picture, where a decoder can start.
[[nodiscard]] bool holdsIdrPicture(std::span<const std::uint8_t> accessUnit);

}  // namespace telvia::stream
