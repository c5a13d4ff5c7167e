#include "playback/stream/container/mp4_audio_config.h"

#include <algorithm>
#include <array>

#include "playback/stream/container/bit_reader.h"
#include "playback/stream/container/mp4_box.h"

namespace telvia::stream {

namespace {

constexpr std::array<std::uint32_t, 13> aacSampleRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                          22050, 16000, 12000, 11025, 8000,  7350};

constexpr std::uint8_t esDescriptorTag = 3;
constexpr std::uint8_t decoderConfigTag = 4;
constexpr std::uint8_t decoderSpecificTag = 5;

constexpr std::uint8_t objectMpeg4Audio = 0x40;
constexpr std::uint8_t objectMpeg2AacMain = 0x66;
constexpr std::uint8_t objectMpeg2AacSsr = 0x68;
constexpr std::uint8_t objectMpeg2Audio = 0x69;
constexpr std::uint8_t objectMpeg1Audio = 0x6B;

constexpr unsigned objectSbr = 5;
constexpr unsigned objectPs = 29;
constexpr unsigned largestAdtsObject = 4;
constexpr std::size_t adtsLength = 7;
constexpr std::size_t largestAdtsFrame = 0x1FFF;

std::optional<std::uint8_t> rateIndexOf(std::uint32_t rate)
{
    const auto found = std::find(aacSampleRates.begin(), aacSampleRates.end(), rate);
    if (found == aacSampleRates.end()) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(found - aacSampleRates.begin());
}

unsigned objectType(BitReader& bits)
{
    const unsigned type = bits.bits(5);
    return type == 31 ? 32 + bits.bits(6) : type;
}

// A rate index, or an explicit rate turned into the index ADTS needs.
std::optional<std::uint8_t> rateIndex(BitReader& bits)
{
    const auto index = static_cast<std::uint8_t>(bits.bits(4));
    if (index == 0x0F) {
        return rateIndexOf(bits.bits(24));
    }
    return index < aacSampleRates.size() ? std::optional(index) : std::nullopt;
}

struct Descriptor {
    std::uint8_t tag = 0;
    std::span<const std::uint8_t> body;
};

// A descriptor's tag and its body, whose length comes in up to four 7-bit groups.
std::optional<Descriptor> readDescriptor(Mp4Cursor& cursor)
{
    Descriptor descriptor;
    descriptor.tag = cursor.u8();
    std::size_t length = 0;
    for (int i = 0; i < 4; ++i) {
        const std::uint8_t byte = cursor.u8();
        length = length << 7 | (byte & 0x7Fu);
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    descriptor.body = cursor.take(length);
    if (cursor.failed()) {
        return std::nullopt;
    }
    return descriptor;
}

std::optional<Descriptor> findDescriptor(Mp4Cursor& cursor, std::uint8_t tag)
{
    while (cursor.remaining() > 0) {
        const std::optional<Descriptor> descriptor = readDescriptor(cursor);
        if (!descriptor) {
            return std::nullopt;
        }
        if (descriptor->tag == tag) {
            return descriptor;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<Mp4AudioConfig> parseAudioSpecificConfig(std::span<const std::uint8_t> bytes)
{
    BitReader bits(bytes);
    unsigned type = objectType(bits);
    std::optional<std::uint8_t> index = rateIndex(bits);
    const auto channels = static_cast<std::uint8_t>(bits.bits(4));
    if (type == objectSbr || type == objectPs) {
        // The extension's rate is the output rate; the core, which ADTS states, follows.
        (void)rateIndex(bits);
        type = objectType(bits);
    }
    if (bits.overrun() || !index || type == 0 || type > largestAdtsObject || channels > 7) {
        return std::nullopt;
    }
    Mp4AudioConfig config;
    config.kind = StreamTrackKind::aacAdts;
    config.aacObjectType = static_cast<std::uint8_t>(type);
    config.sampleRateIndex = *index;
    config.channelConfiguration = channels;
    return config;
}

std::optional<Mp4AudioConfig> parseEsds(std::span<const std::uint8_t> contents, std::uint32_t entrySampleRate,
                                        std::uint16_t entryChannels)
{
    Mp4Cursor box(contents);
    box.skip(4);  // version and flags
    const std::optional<Descriptor> es = findDescriptor(box, esDescriptorTag);
    if (!es) {
        return std::nullopt;
    }
    Mp4Cursor esCursor(es->body);
    esCursor.skip(2);  // ES_ID
    const std::uint8_t flags = esCursor.u8();
    if ((flags & 0x80) != 0) {
        esCursor.skip(2);  // the stream it depends on
    }
    if ((flags & 0x40) != 0) {
        esCursor.skip(esCursor.u8());  // an address of the stream
    }
    if ((flags & 0x20) != 0) {
        esCursor.skip(2);  // the clock reference stream
    }
    const std::optional<Descriptor> decoder = findDescriptor(esCursor, decoderConfigTag);
    if (!decoder) {
        return std::nullopt;
    }
    Mp4Cursor decoderCursor(decoder->body);
    const std::uint8_t object = decoderCursor.u8();
    decoderCursor.skip(12);  // stream type, buffer size, bit rates
    if (decoderCursor.failed()) {
        return std::nullopt;
    }
    if (object == objectMpeg1Audio || object == objectMpeg2Audio) {
        return Mp4AudioConfig{StreamTrackKind::mpegAudio};
    }
    const bool mpeg2Aac = object >= objectMpeg2AacMain && object <= objectMpeg2AacSsr;
    if (object != objectMpeg4Audio && !mpeg2Aac) {
        return std::nullopt;
    }
    if (const std::optional<Descriptor> specific = findDescriptor(decoderCursor, decoderSpecificTag)) {
        return parseAudioSpecificConfig(specific->body);
    }
    const std::optional<std::uint8_t> index = rateIndexOf(entrySampleRate);
    if (!mpeg2Aac || !index || entryChannels == 0 || entryChannels > 7) {
        return std::nullopt;  // MPEG-4 audio says what it is only in its configuration
    }
    Mp4AudioConfig config;
    config.aacObjectType = static_cast<std::uint8_t>(object - objectMpeg2AacMain + 1);
    config.sampleRateIndex = *index;
    config.channelConfiguration = static_cast<std::uint8_t>(entryChannels);
    return config;
}

std::optional<std::vector<std::uint8_t>> adtsFrame(const Mp4AudioConfig& config, std::span<const std::uint8_t> raw)
{
    if (raw.empty() || raw.size() > largestAdtsFrame - adtsLength) {
        return std::nullopt;
    }
    const std::size_t length = raw.size() + adtsLength;
    const unsigned profile = config.aacObjectType - 1u;
    const unsigned channels = config.channelConfiguration & 0x07u;
    std::vector<std::uint8_t> frame = {
        0xFF,
        0xF1,  // MPEG-4, layer 0, no CRC
        static_cast<std::uint8_t>((profile & 0x03u) << 6 | (config.sampleRateIndex & 0x0Fu) << 2 | channels >> 2),
        static_cast<std::uint8_t>((channels & 0x03u) << 6 | length >> 11),
        static_cast<std::uint8_t>(length >> 3),
        static_cast<std::uint8_t>((length & 0x07u) << 5 | 0x1Fu),  // buffer fullness: variable
        0xFC,                                                     // one raw data block
    };
    frame.insert(frame.end(), raw.begin(), raw.end());
    return frame;
}

}  // namespace telvia::stream
