#include "playback/stream/container/mpeg_audio_header.h"

#include <array>

namespace telvia::stream {

namespace {

// Kilobits per second by bit-rate index 1..14, for MPEG-1 layers 1, 2, 3 and MPEG-2/2.5
// layer 1 and layers 2/3.
constexpr std::array<std::array<std::uint16_t, 14>, 5> bitrates = {{
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
}};

constexpr std::array<std::uint32_t, 3> mpeg1Rates = {44100, 48000, 32000};

}  // namespace

std::optional<MpegAudioHeader> parseMpegAudioHeader(std::span<const std::uint8_t> b)
{
    if (b.size() < mpegAudioHeaderLength || b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const unsigned versionBits = (b[1] >> 3) & 0x03;
    const unsigned layerBits = (b[1] >> 1) & 0x03;
    const unsigned bitrateIndex = b[2] >> 4;
    const unsigned rateIndex = (b[2] >> 2) & 0x03;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return std::nullopt;
    }
    MpegAudioHeader header;
    header.version = versionBits == 3   ? MpegAudioVersion::mpeg1
                     : versionBits == 2 ? MpegAudioVersion::mpeg2
                                        : MpegAudioVersion::mpeg25;
    header.layer = static_cast<std::uint8_t>(4 - layerBits);
    const bool mpeg1 = header.version == MpegAudioVersion::mpeg1;
    const std::size_t table = mpeg1 ? header.layer - 1u : (header.layer == 1 ? 3u : 4u);
    header.bitrate = bitrates[table][bitrateIndex - 1] * 1000u;
    const unsigned divisor = mpeg1 ? 1 : header.version == MpegAudioVersion::mpeg2 ? 2 : 4;
    header.sampleRate = mpeg1Rates[rateIndex] / divisor;
    header.channels = (b[3] >> 6) == 3 ? 1 : 2;
    const unsigned padding = (b[2] >> 1) & 0x01;
    if (header.layer == 1) {
        header.samplesPerFrame = 384;
        header.frameLength = (12 * header.bitrate / header.sampleRate + padding) * 4;
    } else {
        // Layer 3 at the lower rates of MPEG-2 and 2.5 holds half as many samples.
        header.samplesPerFrame = header.layer == 3 && !mpeg1 ? 576 : 1152;
        header.frameLength = header.samplesPerFrame / 8 * header.bitrate / header.sampleRate + padding;
    }
    return header;
}

}  // namespace telvia::stream
