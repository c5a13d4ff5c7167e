// Numbers written in decimal, as protocols and playlists send them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace telvia {

// A decimal whole number without sign, refused when it does not fit or when anything but
// digits is there.
[[nodiscard]] std::optional<std::uint64_t> parseDecimal(std::string_view text);

}  // namespace telvia
