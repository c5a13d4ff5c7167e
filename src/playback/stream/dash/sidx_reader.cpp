#include "playback/stream/dash/sidx_reader.h"

#include <limits>
#include <optional>

#include "playback/stream/dash/dash_manifest.h"

namespace telvia::stream {

namespace {

// Reads big-endian fields, never past the end it was given.
class FieldReader {
public:
    explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::optional<std::uint64_t> read(std::size_t width)
    {
        if (bytes_.size() - at_ < width) {
            return std::nullopt;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value = value << 8 | bytes_[at_ + i];
        }
        at_ += width;
        return value;
    }

    bool skip(std::size_t count)
    {
        if (bytes_.size() - at_ < count) {
            return false;
        }
        at_ += count;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

SidxResult readBody(std::span<const std::uint8_t> body, std::uint64_t anchor)
{
    FieldReader reader(body);
    const auto version = reader.read(1);
    if (!version || !reader.skip(3 + 4)) {  // flags, reference id
        return SidxError::truncated;
    }
    const std::size_t timeWidth = *version == 0 ? 4 : 8;
    const auto timescale = reader.read(4);
    const auto earliest = reader.read(timeWidth);
    const auto firstOffset = reader.read(timeWidth);
    if (!timescale || !earliest || !firstOffset || !reader.skip(2)) {
        return SidxError::truncated;
    }
    const auto count = reader.read(2);
    if (!count) {
        return SidxError::truncated;
    }
    if (*timescale == 0) {
        return SidxError::badValue;
    }
    if (*count > dashSegmentLimit) {
        return SidxError::tooLong;
    }
    SegmentIndexBox index;
    index.timescale = static_cast<std::uint32_t>(*timescale);
    index.earliestPresentationTime = *earliest;
    constexpr std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    if (*firstOffset > largest - anchor) {
        return SidxError::badValue;
    }
    std::uint64_t offset = anchor + *firstOffset;
    for (std::uint64_t i = 0; i < *count; ++i) {
        const auto sizeField = reader.read(4);
        const auto duration = reader.read(4);
        if (!sizeField || !duration || !reader.skip(4)) {
            return SidxError::truncated;
        }
        if ((*sizeField & 0x8000'0000u) != 0) {
            return SidxError::hierarchical;
        }
        const std::uint64_t size = *sizeField & 0x7FFF'FFFFu;
        if (size == 0 || size > largest - offset) {
            return SidxError::badValue;
        }
        index.references.push_back(SidxReference{offset, size, *duration});
        offset += size;
    }
    return index;
}

}  // namespace

SidxResult readSegmentIndex(std::span<const std::uint8_t> bytes, std::uint64_t resourceOffset)
{
    std::size_t at = 0;
    while (bytes.size() - at >= 8) {
        FieldReader header(bytes.subspan(at));
        std::uint64_t size = *header.read(4);
        const std::uint64_t type = *header.read(4);
        std::size_t headerSize = 8;
        if (size == 1) {
            const auto large = header.read(8);
            if (!large) {
                return SidxError::truncated;
            }
            size = *large;
            headerSize = 16;
        } else if (size == 0) {
            size = bytes.size() - at;  // to the end
        }
        if (size < headerSize) {
            return SidxError::badValue;
        }
        if (size > bytes.size() - at) {
            return SidxError::truncated;
        }
        constexpr std::uint64_t sidx = 0x73696478;  // "sidx"
        if (type == sidx) {
            // Offsets count from the first byte after the box.
            const std::uint64_t boxEnd = static_cast<std::uint64_t>(at) + size;
            if (resourceOffset > std::numeric_limits<std::uint64_t>::max() - boxEnd) {
                return SidxError::badValue;
            }
            return readBody(bytes.subspan(at + headerSize, static_cast<std::size_t>(size) - headerSize),
                            resourceOffset + boxEnd);
        }
        at += static_cast<std::size_t>(size);
    }
    return SidxError::notFound;
}

}  // namespace telvia::stream
