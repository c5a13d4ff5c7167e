#include "playback/stream/container/bit_reader.h"

namespace telvia::stream {

std::uint32_t BitReader::bits(unsigned count)
{
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) {
        std::uint32_t bit = 0;
        if (position_ < bytes_.size() * 8) {
            bit = (bytes_[position_ / 8] >> (7 - position_ % 8)) & 1u;
            ++position_;
        } else {
            overrun_ = true;
        }
        value = value << 1 | bit;
    }
    return value;
}

void BitReader::skip(std::size_t count)
{
    if (count > bitsLeft()) {
        overrun_ = true;
        position_ = bytes_.size() * 8;
        return;
    }
    position_ += count;
}

std::size_t BitReader::bitsLeft() const { return bytes_.size() * 8 - position_; }

std::uint32_t BitReader::unsignedGolomb()
{
    unsigned zeros = 0;
    while (!flag()) {
        if (overrun_ || ++zeros > 31) {
            overrun_ = true;
            return 0;
        }
    }
    // 2^zeros - 1 + the next `zeros` bits; with 31 zeros the sum still fits.
    return static_cast<std::uint32_t>((std::uint64_t{1} << zeros) - 1 + bits(zeros));
}

std::int32_t BitReader::signedGolomb()
{
    const std::uint32_t code = unsignedGolomb();
    const auto magnitude = static_cast<std::int32_t>(code / 2 + code % 2);
    return code % 2 == 1 ? magnitude : -magnitude;
}

}  // namespace telvia::stream
