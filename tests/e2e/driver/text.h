// UTF-8, 8-bit and UTF-16 conversions for messages and file contents.
#pragma once

#include <string>
#include <string_view>

namespace telvia::e2e {

[[nodiscard]] std::string toUtf8(std::wstring_view text);
[[nodiscard]] std::wstring fromUtf8(std::string_view text);
// 8-bit text in the given Windows code page (CP_ACP for the system's ANSI code page).
[[nodiscard]] std::wstring fromCodePage(std::string_view text, unsigned codePage);

}  // namespace telvia::e2e
