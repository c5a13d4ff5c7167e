// The bytes of a text file saved as "Unicode": a UTF-16LE byte-order mark, then the units.
#pragma once

#include <string>
#include <string_view>

namespace telvia::testing {

inline std::string utf16File(std::u16string_view text)
{
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

}  // namespace telvia::testing
