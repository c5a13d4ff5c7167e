// A channel record as the 3132 little-endian bytes of channel files and the first-run file.
#pragma once

#include <cstddef>
#include <span>

#include "catalogue/channel.h"

namespace telvia {

// Byte offsets of the fields inside one record.
inline constexpr std::size_t recordOnOffset = 0;
inline constexpr std::size_t recordNameOffset = 4;
inline constexpr std::size_t recordNoteOffset = 524;
inline constexpr std::size_t recordCountryOffset = 1564;
inline constexpr std::size_t recordAddressOffset = 1572;
inline constexpr std::size_t recordHomePageOffset = 2612;

using RecordBytes = std::span<std::byte, channelRecordSize>;
using ConstRecordBytes = std::span<const std::byte, channelRecordSize>;

// Writes every field at its offset: `on` as a 32-bit little-endian number, each text as its
// full width of UTF-16LE units (zeros behind the text).
void encodeChannel(const Channel& channel, RecordBytes out);

// Reads every field from its offset. A text ends at its first zero unit; one that has none
// inside its width is cut to what the field holds. Nothing else is checked.
[[nodiscard]] Channel decodeChannel(ConstRecordBytes in);

}  // namespace telvia
