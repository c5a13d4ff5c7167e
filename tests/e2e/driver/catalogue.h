// Channel catalogues as the scenarios prepare and check them: channel files written field
// by field at their byte offsets, and the numbered values of the catalogue key.
//
// A record is 3132 bytes: the 32-bit little-endian mark at 0, then UTF-16LE texts, each
// zero-terminated inside its field: name at 4 (260 units), note at 524 (520), country at
// 1564 (4), address at 1572 (520) and home page at 2612 (260). The driver writes these
// itself rather than through the program's own code, so a wrong offset in the program
// shows up as a wrong catalogue.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driver/registry.h"

namespace telvia::e2e {

struct ChannelFields {
    std::uint32_t on = 0;
    std::wstring country;
    std::wstring name;
    std::wstring note;
    std::wstring address;
    std::wstring homePage;
};

// A channel whose note, address and home page follow from its name.
[[nodiscard]] ChannelFields sampleChannel(std::wstring country, const std::wstring& name,
                                          std::uint32_t on);

inline constexpr std::size_t channelRecordBytes = 3132;

// The bytes of a channel file holding `channels` in order. The units of a text field
// after its terminator carry no meaning; they are filled with `filler` (a reader must
// ignore them, so a non-zero filler checks that it does). Throws when a text does not fit
// its field with its terminator.
[[nodiscard]] std::string encodeChannelFile(std::span<const ChannelFields> channels, wchar_t filler = L'\0');

// The channels of a channel file's bytes, each text read up to its terminator. Throws when
// the length is not a whole number of records or a field lacks its terminator.
[[nodiscard]] std::vector<ChannelFields> decodeChannelFile(std::string_view bytes);

// The channels in the order the channel lists show them: by country, then by name, as the
// user's locale compares them.
[[nodiscard]] std::vector<ChannelFields> inListOrder(std::vector<ChannelFields> channels);

// The value name of one field of catalogue position `position` ("%03d" and the suffix,
// such as "007_name").
[[nodiscard]] std::wstring positionValueName(int position, std::wstring_view suffix);

namespace registry {

// Values by name, as a key holds them.
using ValueMap = std::map<std::wstring, RawValue>;

// The values the catalogue key holds for `channels` stored at positions 000 onwards:
// "_on" as REG_DWORD, the five texts as REG_SZ with their terminators.
[[nodiscard]] ValueMap catalogueValues(std::span<const ChannelFields> channels);

// Every value of `key` with its type and bytes; empty when the key is missing.
[[nodiscard]] ValueMap readAllValues(std::wstring_view key);
// Writes every value of `values` into `key`, creating it when needed.
void writeAllValues(std::wstring_view key, const ValueMap& values);

// A REG_DWORD value of 4 bytes, and a REG_SZ value of the text with its terminator.
[[nodiscard]] RawValue dwordValue(std::uint32_t number);
[[nodiscard]] RawValue stringValue(std::wstring_view text);

}  // namespace registry

}  // namespace telvia::e2e
