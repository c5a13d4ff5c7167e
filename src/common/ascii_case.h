// Capital and small letters of ASCII, for the parts of protocols and addresses that ignore
// their case (schemes, host names, header names). Other bytes stay as they are.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace telvia {

[[nodiscard]] constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

[[nodiscard]] inline std::string asciiLower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return asciiLower(c); });
    return out;
}

[[nodiscard]] constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

}  // namespace telvia
