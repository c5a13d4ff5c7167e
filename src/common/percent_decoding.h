// Percent-decoding of address parts.
#pragma once

#include <string>
#include <string_view>

namespace telvia {

// "%41" becomes "A"; a "%" without two hexadecimal digits after it stays as it is.
[[nodiscard]] std::string percentDecode(std::string_view text);

}  // namespace telvia
