// The boxes an MP4 file is made of: a 32-bit size and a four-character type, then the
// contents. A size of 1 means a 64-bit size follows the type; a size of 0 means the box
// runs to the end of the file. Readers here never trust a size beyond the bytes at hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace telvia::stream {

[[nodiscard]] constexpr std::uint32_t fourCc(const char (&name)[5])
{
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[0])) << 24 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[1])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[2])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(name[3]));
}

struct Mp4BoxHeader {
    std::uint32_t type = 0;
    std::uint32_t headerLength = 8;  // 16 with a 64-bit size
    // The whole box, header included; none when it runs to the end of the file.
    std::optional<std::uint64_t> size;
};

enum class Mp4HeaderStatus : std::uint8_t { complete, needMore, malformed };

struct Mp4HeaderRead {
    Mp4HeaderStatus status = Mp4HeaderStatus::needMore;
    Mp4BoxHeader header;
};

// The header at the start of the bytes; malformed when the size is smaller than the header.
[[nodiscard]] Mp4HeaderRead readMp4BoxHeader(std::span<const std::uint8_t> bytes);

// Reads big-endian fields one after another. Reading past the end yields zeros and marks
// the cursor failed, so a parser checks once after a run of fields.
class Mp4Cursor {
public:
    explicit Mp4Cursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t u8() { return static_cast<std::uint8_t>(read(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(read(2)); }
    std::uint32_t u24() { return static_cast<std::uint32_t>(read(3)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(read(4)); }
    std::uint64_t u64() { return read(8); }
    void skip(std::size_t count);
    // The next bytes, or empty (and failed) when fewer are left.
    std::span<const std::uint8_t> take(std::size_t count);

    [[nodiscard]] std::size_t position() const { return at_; }
    [[nodiscard]] std::size_t remaining() const { return bytes_.size() - at_; }
    [[nodiscard]] bool failed() const { return failed_; }

private:
    std::uint64_t read(std::size_t count);

    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
    bool failed_ = false;
};

// Calls `visit` with the type and contents of each box that follows in the bytes, in
// order; false when a box does not fit the bytes or `visit` says stop by returning false.
// A box of size 0 takes the rest of the bytes.
using Mp4BoxVisitor = std::function<bool(std::uint32_t type, std::span<const std::uint8_t> contents)>;
[[nodiscard]] bool forEachMp4Box(std::span<const std::uint8_t> bytes, const Mp4BoxVisitor& visit);

}  // namespace telvia::stream
