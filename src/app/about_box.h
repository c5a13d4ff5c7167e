// The text lines of the About box.
#pragma once

#include <string>
#include <string_view>

namespace telvia {

// "<product> version <version>", whatever the translation file says.
[[nodiscard]] std::u16string aboutProductLine(std::u16string_view productName,
                                              std::u16string_view version);

}  // namespace telvia
