// UTF-8 and UTF-16 conversions for messages and file contents.
#pragma once

#include <string>
#include <string_view>

namespace telvia::e2e {

[[nodiscard]] std::string toUtf8(std::wstring_view text);
[[nodiscard]] std::wstring fromUtf8(std::string_view text);

}  // namespace telvia::e2e
