// Strict conversion between UTF-8 (exchange formats) and UTF-16 (records and the system).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace telvia {

// Decodes UTF-8 into UTF-16. Refuses, rather than replaces, everything that is not
// well-formed UTF-8: stray or missing continuation bytes, overlong forms, encoded
// surrogates and code points above U+10FFFF. On refusal, invalidAt (when given) receives
// the byte offset at which the bad sequence starts.
[[nodiscard]] std::optional<std::u16string> utf8ToUtf16(std::string_view bytes,
                                                        std::size_t* invalidAt = nullptr);

// Encodes UTF-16 as UTF-8. Refuses a surrogate that is not part of a pair; invalidAt
// (when given) receives the index of that unit.
[[nodiscard]] std::optional<std::string> utf16ToUtf8(std::u16string_view text,
                                                     std::size_t* invalidAt = nullptr);

}  // namespace telvia
