// UTF-16 texts cross between the portable code (char16_t) and Win32 (wchar_t, also
// UTF-16 on Windows) unit for unit.
#pragma once

#include <string>
#include <string_view>

namespace telvia::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

[[nodiscard]] inline std::wstring toWide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

[[nodiscard]] inline std::u16string fromWide(std::wstring_view text)
{
    return std::u16string(text.begin(), text.end());
}

}  // namespace telvia::win32
