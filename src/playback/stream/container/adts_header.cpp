#include "playback/stream/container/adts_header.h"

namespace telvia::stream {

namespace {

constexpr std::array<std::uint32_t, 13> sampleRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                       22050, 16000, 12000, 11025, 8000,  7350};

}  // namespace

std::optional<AdtsHeader> parseAdtsHeader(std::span<const std::uint8_t> b)
{
    if (b.size() < adtsHeaderMinimum || b[0] != 0xFF || (b[1] & 0xF6) != 0xF0) {
        return std::nullopt;  // sync word 0xFFF and layer 0
    }
    AdtsHeader header;
    const bool noCrc = (b[1] & 0x01) != 0;
    header.audioObjectType = static_cast<std::uint8_t>((b[2] >> 6) + 1);
    header.sampleRateIndex = static_cast<std::uint8_t>((b[2] >> 2) & 0x0F);
    if (header.sampleRateIndex >= sampleRates.size()) {
        return std::nullopt;
    }
    header.sampleRate = sampleRates[header.sampleRateIndex];
    header.channelConfiguration = static_cast<std::uint8_t>((b[2] & 0x01) << 2 | b[3] >> 6);
    header.frameLength = static_cast<std::uint32_t>((b[3] & 0x03) << 11 | b[4] << 3 | b[5] >> 5);
    header.headerLength = noCrc ? 7 : 9;
    if (header.frameLength < header.headerLength) {
        return std::nullopt;
    }
    const unsigned blocks = (b[6] & 0x03) + 1u;
    header.samplesPerFrame = 1024 * blocks;
    return header;
}

std::array<std::uint8_t, 2> audioSpecificConfig(const AdtsHeader& header)
{
    // 5 bits object type, 4 bits rate index, 4 bits channels, 3 bits zero.
    const unsigned value = (header.audioObjectType & 0x1Fu) << 11 | (header.sampleRateIndex & 0x0Fu) << 7 |
                           (header.channelConfiguration & 0x0Fu) << 3;
    return {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

}  // namespace telvia::stream
