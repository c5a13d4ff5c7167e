// Channel records made byte by byte at the documented offsets, as a writer other than
// this program would make them, for the tests of the file reader and the first-run import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace telvia::testing {

inline constexpr std::size_t recordSize = 3132;
inline constexpr std::size_t onAt = 0;
inline constexpr std::size_t nameAt = 4;
inline constexpr std::size_t noteAt = 524;
inline constexpr std::size_t countryAt = 1564;
inline constexpr std::size_t addressAt = 1572;
inline constexpr std::size_t homePageAt = 2612;

// One record; every byte not written by a test holds junk, as behind the terminators of a
// record that another program wrote.
struct RecordImage {
    static constexpr std::byte junk{0xEE};
    std::vector<std::byte> bytes = std::vector<std::byte>(recordSize, junk);

    RecordImage& number(std::size_t offset, std::uint32_t value)
    {
        for (std::size_t i = 0; i < 4; ++i) {
            bytes[offset + i] = static_cast<std::byte>(value >> (8 * i));
        }
        return *this;
    }
    // The units exactly as given, little-endian; no terminator is added.
    RecordImage& units(std::size_t offset, std::u16string_view text)
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            bytes[offset + 2 * i] = static_cast<std::byte>(text[i] & 0xFF);
            bytes[offset + 2 * i + 1] = static_cast<std::byte>(text[i] >> 8);
        }
        return *this;
    }
    // The text and its terminator.
    RecordImage& text(std::size_t offset, std::u16string_view text)
    {
        units(offset, text);
        return units(offset + 2 * text.size(), std::u16string_view(u"\0", 1));
    }
};

// A whole file of records.
inline std::vector<std::byte> joinRecords(const std::vector<RecordImage>& records)
{
    std::vector<std::byte> bytes;
    for (const RecordImage& record : records) {
        bytes.insert(bytes.end(), record.bytes.begin(), record.bytes.end());
    }
    return bytes;
}

}  // namespace telvia::testing
