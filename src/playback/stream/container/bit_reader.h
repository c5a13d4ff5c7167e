// Reading a bit string most significant bit first, as MPEG and H.264 headers are written.
// Reading past the end yields zeros and sets a flag, so a parser checks once at the end
// instead of at every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace telvia::stream {

class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    // Up to 32 bits.
    std::uint32_t bits(unsigned count);
    bool flag() { return bits(1) != 0; }
    void skip(std::size_t count);

    // Exp-Golomb codes of H.264: ue(v) and se(v). A code longer than 32 bits is refused
    // by setting the overrun flag.
    std::uint32_t unsignedGolomb();
    std::int32_t signedGolomb();

    [[nodiscard]] bool overrun() const { return overrun_; }
    [[nodiscard]] std::size_t bitsLeft() const;

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;  // in bits
    bool overrun_ = false;
};

}  // namespace telvia::stream
