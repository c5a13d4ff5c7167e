// Building UTF-16 texts from the program's fixed ASCII texts.
#pragma once

#include <string>
#include <string_view>

namespace telvia {

// Widens an ASCII text unit by unit (the program's own fixed texts are ASCII).
[[nodiscard]] inline std::u16string asciiToUtf16(std::string_view ascii)
{
    std::u16string wide;
    wide.reserve(ascii.size());
    for (const char c : ascii) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return wide;
}

}  // namespace telvia
