#include "playback/stream/dash/segment_template.h"

#include <optional>

namespace telvia::stream {

namespace {

struct Identifier {
    std::string_view name;
    std::optional<std::size_t> width;  // from "%0<width>d"
};

// What stands between two dollar signs; none when it is not one of the four, or has a
// format the identifier does not take.
std::optional<Identifier> readIdentifier(std::string_view inside)
{
    const std::size_t percent = inside.find('%');
    Identifier identifier{inside.substr(0, percent), std::nullopt};
    const bool numeric = identifier.name == "Number" || identifier.name == "Time" || identifier.name == "Bandwidth";
    if (!numeric && identifier.name != "RepresentationID") {
        return std::nullopt;
    }
    if (percent == std::string_view::npos) {
        return identifier;
    }
    // "%0<width>d"; the leading zero may be left out by packagers, its meaning is the same.
    std::string_view format = inside.substr(percent + 1);
    if (!numeric || format.size() < 2 || format.back() != 'd') {
        return std::nullopt;
    }
    format.remove_suffix(1);
    std::size_t width = 0;
    for (const char c : format) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        width = width * 10 + static_cast<std::size_t>(c - '0');
        if (width > templateWidthLimit) {
            return std::nullopt;
        }
    }
    identifier.width = width;
    return identifier;
}

void appendNumber(std::string& out, std::uint64_t value, std::optional<std::size_t> width)
{
    const std::string digits = std::to_string(value);
    if (width && *width > digits.size()) {
        out.append(*width - digits.size(), '0');
    }
    out += digits;
}

// Walks the template: literal text and identifiers in order. False when malformed.
template <typename OnLiteral, typename OnIdentifier>
bool walk(std::string_view pattern, OnLiteral onLiteral, OnIdentifier onIdentifier)
{
    while (!pattern.empty()) {
        const std::size_t open = pattern.find('$');
        if (open == std::string_view::npos) {
            onLiteral(pattern);
            return true;
        }
        onLiteral(pattern.substr(0, open));
        const std::size_t close = pattern.find('$', open + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        const std::string_view inside = pattern.substr(open + 1, close - open - 1);
        if (inside.empty()) {
            onLiteral("$");
        } else {
            const std::optional<Identifier> identifier = readIdentifier(inside);
            if (!identifier) {
                return false;
            }
            onIdentifier(*identifier);
        }
        pattern.remove_prefix(close + 1);
    }
    return true;
}

}  // namespace

bool templateIsValid(std::string_view pattern)
{
    return walk(pattern, [](std::string_view) {}, [](const Identifier&) {});
}

bool templateUses(std::string_view pattern, std::string_view name)
{
    bool used = false;
    const bool valid =
        walk(pattern, [](std::string_view) {}, [&](const Identifier& identifier) { used = used || identifier.name == name; });
    return valid && used;
}

std::optional<std::string> expandTemplate(std::string_view pattern, const TemplateValues& values)
{
    std::string out;
    const bool valid = walk(
        pattern, [&](std::string_view literal) { out += literal; },
        [&](const Identifier& identifier) {
            if (identifier.name == "RepresentationID") {
                out += values.representationId;
            } else if (identifier.name == "Number") {
                appendNumber(out, values.number, identifier.width);
            } else if (identifier.name == "Time") {
                appendNumber(out, values.time, identifier.width);
            } else {
                appendNumber(out, values.bandwidth, identifier.width);
            }
        });
    if (!valid) {
        return std::nullopt;
    }
    return out;
}

}  // namespace telvia::stream
