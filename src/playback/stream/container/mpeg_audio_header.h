// The four-byte header of an MPEG-1, MPEG-2 or MPEG-2.5 audio frame, layers 1 to 3.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace telvia::stream {

enum class MpegAudioVersion : std::uint8_t { mpeg1, mpeg2, mpeg25 };

struct MpegAudioHeader {
    MpegAudioVersion version = MpegAudioVersion::mpeg1;
    std::uint8_t layer = 0;        // 1, 2 or 3
    std::uint32_t bitrate = 0;     // bits per second
    std::uint32_t sampleRate = 0;
    std::uint8_t channels = 0;     // 1 or 2
    std::uint32_t frameLength = 0; // bytes, header and padding included
    std::uint32_t samplesPerFrame = 0;
};

inline constexpr std::size_t mpegAudioHeaderLength = 4;

// Empty for anything that is not a playable frame header: no sync, a reserved version,
// layer, bit rate or sample rate, or free format (no bit rate, so no frame length).
[[nodiscard]] std::optional<MpegAudioHeader> parseMpegAudioHeader(std::span<const std::uint8_t> bytes);

}  // namespace telvia::stream
