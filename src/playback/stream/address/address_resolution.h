// Resolving the addresses a playlist names against the playlist's own address.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace telvia::stream {

// The parts of an absolute or relative address (scheme://authority/path?query#fragment).
// A part that is absent differs from one that is present but empty ("http://h/?" has an
// empty query), which matters when the parts are put back together.
struct AddressParts {
    std::optional<std::string_view> scheme;
    std::optional<std::string_view> authority;
    std::string_view path;
    std::optional<std::string_view> query;
    std::optional<std::string_view> fragment;
};

[[nodiscard]] AddressParts splitAddress(std::string_view address);

// Whether the address starts with a scheme ("http:", "https:", ...).
[[nodiscard]] bool hasScheme(std::string_view address);

// The address a reference in a playlist stands for, the way a browser resolves a link:
// absolute references stay as they are, "//host/x" takes the base's scheme, "/x" its
// host, "?q" its path, and "x" or "../x" its folder. The fragment is dropped, since it
// is never sent. Empty when the base is not absolute.
[[nodiscard]] std::optional<std::string> resolveAddress(std::string_view base,
                                                        std::string_view reference);

}  // namespace telvia::stream
