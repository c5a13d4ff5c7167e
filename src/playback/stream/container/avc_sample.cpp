#include "playback/stream/container/avc_sample.h"

#include "playback/stream/container/annexb.h"
#include "playback/stream/container/mp4_box.h"

namespace telvia::stream {

namespace {

constexpr std::uint8_t startCode[] = {0, 0, 0, 1};
constexpr std::uint8_t nalTypeAccessUnitDelimiter = 9;

void appendUnit(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> nal)
{
    out.insert(out.end(), std::begin(startCode), std::end(startCode));
    out.insert(out.end(), nal.begin(), nal.end());
}

bool readSets(Mp4Cursor& cursor, std::size_t count, AvcConfig& config)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::span<const std::uint8_t> set = cursor.take(cursor.u16());
        if (cursor.failed() || set.empty()) {
            return false;
        }
        config.parameterSets.emplace_back(set.begin(), set.end());
    }
    return true;
}

}  // namespace

std::optional<AvcConfig> parseAvcConfig(std::span<const std::uint8_t> contents)
{
    Mp4Cursor cursor(contents);
    const std::uint8_t version = cursor.u8();
    cursor.skip(3);  // profile, compatibility, level: the sequence parameter set says them too
    AvcConfig config;
    config.nalLengthSize = static_cast<std::uint8_t>((cursor.u8() & 0x03u) + 1);
    const std::size_t sequenceSets = cursor.u8() & 0x1Fu;
    if (cursor.failed() || version != 1 || config.nalLengthSize == 3 || !readSets(cursor, sequenceSets, config)) {
        return std::nullopt;
    }
    const std::size_t pictureSets = cursor.u8();
    if (cursor.failed() || !readSets(cursor, pictureSets, config)) {
        return std::nullopt;
    }
    // What follows (the chroma format of the high profiles) the sequence set states as well.
    return config;
}

std::optional<std::vector<std::uint8_t>> annexBAccessUnit(std::span<const std::uint8_t> sample, const AvcConfig& config,
                                                          bool keyFrame)
{
    std::vector<std::span<const std::uint8_t>> units;
    Mp4Cursor cursor(sample);
    bool carriesSequenceSet = false;
    while (cursor.remaining() > 0) {
        std::size_t length = 0;
        for (std::uint8_t i = 0; i < config.nalLengthSize; ++i) {
            length = length << 8 | cursor.u8();
        }
        const std::span<const std::uint8_t> nal = cursor.take(length);
        if (cursor.failed() || nal.empty()) {
            return std::nullopt;
        }
        carriesSequenceSet = carriesSequenceSet || (nal[0] & 0x1F) == nalTypeSps;
        units.push_back(nal);
    }
    if (units.empty()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(sample.size() + units.size() * 4 + 64);
    // An access unit delimiter stays first, where the standard wants it.
    std::size_t next = 0;
    if ((units[0][0] & 0x1F) == nalTypeAccessUnitDelimiter) {
        appendUnit(out, units[next++]);
    }
    if (keyFrame && !carriesSequenceSet) {
        for (const std::vector<std::uint8_t>& set : config.parameterSets) {
            appendUnit(out, set);
        }
    }
    for (; next < units.size(); ++next) {
        appendUnit(out, units[next]);
    }
    return out;
}

}  // namespace telvia::stream
