// The blanks around a value in the text formats the program reads (playlists, manifests,
// attribute lists): only ASCII ones, never anything a UTF-8 byte could be part of.
#pragma once

#include <string_view>

namespace telvia {

[[nodiscard]] constexpr std::string_view trimAscii(std::string_view text, std::string_view blanks = " \t\r\n")
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

}  // namespace telvia
