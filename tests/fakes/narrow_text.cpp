#include "narrow_text.h"

namespace telvia::fakes {

std::string narrow(std::u16string_view text)
{
    std::string out;
    for (const char16_t unit : text) {
        out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    return out;
}

std::u16string widen(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace telvia::fakes
