#include "common/percent_decoding.h"

#include <optional>

namespace telvia {

namespace {

std::optional<int> hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

}  // namespace

std::string percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const auto high = hexValue(text[i + 1]);
            const auto low = hexValue(text[i + 2]);
            if (high && low) {
                out.push_back(static_cast<char>(*high << 4 | *low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace telvia
