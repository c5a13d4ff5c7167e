// The 7- or 9-byte header in front of every AAC frame of an ADTS stream.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace telvia::stream {

struct AdtsHeader {
    std::uint8_t audioObjectType = 0;  // 1 Main, 2 LC, 3 SSR, 4 LTP
    std::uint8_t sampleRateIndex = 0;
    std::uint32_t sampleRate = 0;
    std::uint8_t channelConfiguration = 0;  // 0: given inside the stream
    std::uint32_t headerLength = 0;         // 7, or 9 with a CRC
    std::uint32_t frameLength = 0;          // header included
    std::uint32_t samplesPerFrame = 0;      // 1024 per raw data block
};

inline constexpr std::size_t adtsHeaderMinimum = 7;

// Empty when the bytes do not start with a valid header: sync word, layer 0, a sample
// rate of the table, a frame at least as long as its header.
[[nodiscard]] std::optional<AdtsHeader> parseAdtsHeader(std::span<const std::uint8_t> bytes);

// The two-byte AudioSpecificConfig that describes the stream to a decoder.
[[nodiscard]] std::array<std::uint8_t, 2> audioSpecificConfig(const AdtsHeader& header);

}  // namespace telvia::stream
