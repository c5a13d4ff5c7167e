#include "playback/stream/container/id3_tag.h"

#include <algorithm>
#include <string_view>

namespace telvia::stream {

namespace {

constexpr std::string_view timestampOwner = "com.apple.streaming.transportStreamTimestamp";
constexpr std::size_t frameHeaderLength = 10;

// "Synchsafe": 7 bits a byte, so that no 0xFF byte can look like an audio frame's sync.
std::size_t synchsafe(std::span<const std::uint8_t> bytes)
{
    std::size_t value = 0;
    for (const std::uint8_t byte : bytes.first(4)) {
        value = value << 7 | (byte & 0x7Fu);
    }
    return value;
}

std::size_t bigEndian32(std::span<const std::uint8_t> bytes)
{
    std::size_t value = 0;
    for (const std::uint8_t byte : bytes.first(4)) {
        value = value << 8 | byte;
    }
    return value;
}

std::optional<std::uint64_t> timestampOf(std::span<const std::uint8_t> priv)
{
    // The owner's name ends with a zero byte; eight bytes of big-endian time follow.
    if (priv.size() < timestampOwner.size() + 1 + 8 ||
        !std::equal(timestampOwner.begin(), timestampOwner.end(), priv.begin()) || priv[timestampOwner.size()] != 0) {
        return std::nullopt;
    }
    std::uint64_t time = 0;
    for (const std::uint8_t byte : priv.subspan(timestampOwner.size() + 1, 8)) {
        time = time << 8 | byte;
    }
    return time & ((std::uint64_t{1} << 33) - 1);
}

}  // namespace

std::size_t id3TagLength(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() < id3HeaderLength || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3') {
        return 0;
    }
    const bool footer = (bytes[5] & 0x10) != 0;
    return id3HeaderLength + synchsafe(bytes.subspan(6)) + (footer ? id3HeaderLength : 0);
}

std::optional<std::uint64_t> id3TransportStreamTimestamp(std::span<const std::uint8_t> tag)
{
    const std::size_t length = id3TagLength(tag);
    const std::uint8_t version = length > 0 ? tag[3] : 0;
    if (version != 3 && version != 4) {
        return std::nullopt;  // version 2 names its frames differently; none carry this
    }
    std::span<const std::uint8_t> frames = tag.first(std::min(length, tag.size())).subspan(id3HeaderLength);
    if ((tag[5] & 0x40) != 0) {
        // An extended header comes first: its size counts itself in version 4 only.
        if (frames.size() < 4) {
            return std::nullopt;
        }
        const std::size_t extended = version == 4 ? synchsafe(frames) : bigEndian32(frames) + 4;
        if (extended > frames.size()) {
            return std::nullopt;
        }
        frames = frames.subspan(extended);
    }
    while (frames.size() >= frameHeaderLength && frames[0] != 0) {
        const std::size_t size = version == 4 ? synchsafe(frames.subspan(4)) : bigEndian32(frames.subspan(4));
        if (size > frames.size() - frameHeaderLength) {
            return std::nullopt;  // cut short, or a size that runs past the tag
        }
        const std::span<const std::uint8_t> body = frames.subspan(frameHeaderLength, size);
        if (std::string_view(reinterpret_cast<const char*>(frames.data()), 4) == "PRIV") {
            if (const auto time = timestampOf(body)) {
                return time;
            }
        }
        frames = frames.subspan(frameHeaderLength + size);
    }
    return std::nullopt;
}

}  // namespace telvia::stream
