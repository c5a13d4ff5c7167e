#include "playback/stream/container/pes_header.h"

namespace telvia::stream {

namespace {

// Streams without the optional header: program stream map, padding, private stream 2,
// ECM, EMM, directory, DSM-CC and H.222.1 type E.
bool hasOptionalHeader(std::uint8_t streamId)
{
    switch (streamId) {
    case 0xBC: case 0xBE: case 0xBF: case 0xF0: case 0xF1: case 0xFF: case 0xF2: case 0xF8:
        return false;
    default:
        return true;
    }
}

// 4 bits prefix, 3 + 15 + 15 bits with a marker after each part.
std::uint64_t readTimestamp(std::span<const std::uint8_t> b)
{
    return (std::uint64_t{b[0]} >> 1 & 0x07) << 30 | std::uint64_t{b[1]} << 22 |
           (std::uint64_t{b[2]} >> 1) << 15 | std::uint64_t{b[3]} << 7 | std::uint64_t{b[4]} >> 1;
}

}  // namespace

std::optional<PesHeader> parsePesHeader(std::span<const std::uint8_t> b)
{
    if (b.size() < pesFixedHeaderLength || b[0] != 0 || b[1] != 0 || b[2] != 1) {
        return std::nullopt;
    }
    PesHeader header;
    header.streamId = b[3];
    const std::size_t length = static_cast<std::size_t>(b[4] << 8 | b[5]);
    if (length != 0) {
        header.totalLength = pesFixedHeaderLength + length;
    }
    header.payloadOffset = pesFixedHeaderLength;
    if (!hasOptionalHeader(header.streamId)) {
        return header;
    }
    constexpr std::size_t optionalFixed = 3;
    if (b.size() < pesFixedHeaderLength + optionalFixed || (b[6] & 0xC0) != 0x80) {
        return std::nullopt;
    }
    const unsigned timestampFlags = b[7] >> 6;
    const std::size_t headerDataLength = b[8];
    header.payloadOffset = pesFixedHeaderLength + optionalFixed + headerDataLength;
    if (b.size() < header.payloadOffset ||
        (header.totalLength && *header.totalLength < header.payloadOffset)) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> data = b.subspan(9, headerDataLength);
    if (timestampFlags == 2 || timestampFlags == 3) {
        if (data.size() < 5) {
            return std::nullopt;
        }
        header.pts = readTimestamp(data);
    }
    if (timestampFlags == 3) {
        if (data.size() < 10) {
            return std::nullopt;
        }
        header.dts = readTimestamp(data.subspan(5));
    }
    return header;
}

}  // namespace telvia::stream
