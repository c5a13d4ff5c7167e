// What a decoder's media type needs from an H.264 sequence parameter set: profile, level,
// the picture size after cropping, the pixel aspect ratio and the frame rate when given.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace telvia::stream {

struct H264Sps {
    std::uint8_t profileIdc = 0;
    std::uint8_t constraintFlags = 0;
    std::uint8_t levelIdc = 0;
    std::uint32_t spsId = 0;
    std::uint32_t chromaFormatIdc = 1;  // 4:2:0 unless a high profile says otherwise
    std::uint32_t width = 0;            // displayed size, cropping applied
    std::uint32_t height = 0;
    std::uint32_t sarWidth = 1;         // pixel aspect ratio, 1:1 when not given
    std::uint32_t sarHeight = 1;
    // Frames per second as a fraction, when the stream says its frame rate is fixed; 0/0 otherwise.
    std::uint32_t frameRateNumerator = 0;
    std::uint32_t frameRateDenominator = 0;
};

// Removes the emulation-prevention bytes (00 00 03 -> 00 00) of a NAL unit's payload.
[[nodiscard]] std::vector<std::uint8_t> unescapeRbsp(std::span<const std::uint8_t> nal);

// Parses a whole SPS NAL unit, header byte included (type 7). Empty when the unit is not
// an SPS, is cut short, or holds values the format does not allow.
[[nodiscard]] std::optional<H264Sps> parseH264Sps(std::span<const std::uint8_t> nal);

}  // namespace telvia::stream
