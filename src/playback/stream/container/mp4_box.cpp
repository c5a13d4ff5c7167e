#include "playback/stream/container/mp4_box.h"

namespace telvia::stream {

Mp4HeaderRead readMp4BoxHeader(std::span<const std::uint8_t> bytes)
{
    Mp4Cursor cursor(bytes);
    const std::uint32_t size = cursor.u32();
    Mp4HeaderRead read;
    read.header.type = cursor.u32();
    if (cursor.failed()) {
        return read;
    }
    if (size == 0) {
        read.status = Mp4HeaderStatus::complete;
        return read;
    }
    if (size == 1) {
        const std::uint64_t large = cursor.u64();
        if (cursor.failed()) {
            return read;
        }
        read.header.headerLength = 16;
        read.header.size = large;
    } else {
        read.header.size = size;
    }
    read.status = *read.header.size < read.header.headerLength ? Mp4HeaderStatus::malformed : Mp4HeaderStatus::complete;
    return read;
}

void Mp4Cursor::skip(std::size_t count) { (void)take(count); }

std::span<const std::uint8_t> Mp4Cursor::take(std::size_t count)
{
    if (failed_ || count > remaining()) {
        failed_ = true;
        at_ = bytes_.size();
        return {};
    }
    const std::span<const std::uint8_t> taken = bytes_.subspan(at_, count);
    at_ += count;
    return taken;
}

std::uint64_t Mp4Cursor::read(std::size_t count)
{
    std::uint64_t value = 0;
    for (const std::uint8_t byte : take(count)) {
        value = value << 8 | byte;
    }
    return value;
}

bool forEachMp4Box(std::span<const std::uint8_t> bytes, const Mp4BoxVisitor& visit)
{
    while (!bytes.empty()) {
        const Mp4HeaderRead read = readMp4BoxHeader(bytes);
        if (read.status != Mp4HeaderStatus::complete) {
            return false;
        }
        const std::uint64_t size = read.header.size.value_or(bytes.size());
        if (size > bytes.size()) {
            return false;
        }
        const auto whole = static_cast<std::size_t>(size);
        if (!visit(read.header.type, bytes.subspan(read.header.headerLength, whole - read.header.headerLength))) {
            return false;
        }
        bytes = bytes.subspan(whole);
    }
    return true;
}

}  // namespace telvia::stream
