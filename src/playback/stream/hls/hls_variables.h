// Variables of HLS playlists (#EXT-X-DEFINE): a playlist names values once and refers to
// them as "{$name}" in addresses, quoted attribute values and hexadecimal values. A value
// is defined by NAME and VALUE, imported from the multivariant playlist by IMPORT (media
// playlists only), or taken from the playlist address's query by QUERYPARAM.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace telvia::stream {

struct HlsVariable {
    std::string name;
    std::string value;

    friend bool operator==(const HlsVariable&, const HlsVariable&) = default;
};

// Variables one playlist may define: far above what any packager writes.
inline constexpr std::size_t hlsVariableLimit = 256;

class HlsVariables {
public:
    // Reads the attribute list of an #EXT-X-DEFINE tag. `imports` are the multivariant
    // playlist's variables, or none when this playlist is one; `playlistAddress` is where
    // query parameters come from. False when the tag is malformed, defines a name twice or
    // one past the limit, or names an import or query parameter that is not there.
    [[nodiscard]] bool define(std::string_view attributes, const std::vector<HlsVariable>* imports,
                   std::string_view playlistAddress);

    // The text with every reference replaced; none when one names a variable not defined
    // (before this point), or the result would be longer than `longest`.
    [[nodiscard]] std::optional<std::string> substitute(std::string_view text, std::size_t longest) const;
    // A tag's line with references replaced inside its quoted strings and hexadecimal
    // values only, where the format allows them.
    [[nodiscard]] std::optional<std::string> substituteInTag(std::string_view line, std::size_t longest) const;

    [[nodiscard]] bool empty() const { return variables_.empty(); }
    [[nodiscard]] const std::vector<HlsVariable>& all() const { return variables_; }

private:
    [[nodiscard]] const HlsVariable* find(std::string_view name) const;

    std::vector<HlsVariable> variables_;
};

}  // namespace telvia::stream
