// The address templates of DASH segment templates: "$Number$", "$Time$",
// "$RepresentationID$" and "$Bandwidth$" stand for the segment's values, "$$" for a dollar
// sign, and "$Number%05d$" pads a number to a width with zeros.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace telvia::stream {

struct TemplateValues {
    std::string_view representationId;
    std::uint64_t bandwidth = 0;
    std::uint64_t number = 0;
    std::uint64_t time = 0;
};

// The longest width a format may ask for: far past the 20 digits of any 64-bit number.
inline constexpr std::size_t templateWidthLimit = 32;

// Whether a template is well formed: every "$" pairs, every identifier is one of the four
// (a width format only on the numbers, "%0<width>d" with a width up to the limit).
[[nodiscard]] bool templateIsValid(std::string_view pattern);

// Whether the template names the identifier ("Number", "Time", ...).
[[nodiscard]] bool templateUses(std::string_view pattern, std::string_view identifier);

// The template with its identifiers replaced; none when it is not valid.
[[nodiscard]] std::optional<std::string> expandTemplate(std::string_view pattern, const TemplateValues& values);

}  // namespace telvia::stream
