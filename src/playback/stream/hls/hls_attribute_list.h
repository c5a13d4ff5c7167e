// The attribute lists of HLS tags: NAME=value pairs separated by commas, where a value is
// a quoted string (which may hold commas), a number, a resolution or a bare word.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace telvia::stream {

struct HlsAttribute {
    std::string_view name;
    std::string_view value;  // without the quotes of a quoted string
    bool quoted = false;
};

// Empty when the list is malformed: a name without "=", a quote that is never closed,
// or something other than a comma after a quoted string.
[[nodiscard]] std::optional<std::vector<HlsAttribute>> parseHlsAttributeList(std::string_view text);

// The first attribute with this name, or none.
[[nodiscard]] const HlsAttribute* findHlsAttribute(const std::vector<HlsAttribute>& list,
                                                   std::string_view name);

// A decimal number of seconds such as "10", "9.976", ".360" or "6.000000" in whole milliseconds
// (further digits are cut). Refuses signs, exponents and values beyond a year.
[[nodiscard]] std::optional<std::int64_t> parseSecondsAsMilliseconds(std::string_view text);

}  // namespace telvia::stream
