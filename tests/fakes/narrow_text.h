// Texts of the fakes' call logs and of test data: UTF-16 shown as ASCII and back.
#pragma once

#include <string>
#include <string_view>

namespace telvia::fakes {

// ASCII units as they are, every other unit as '?'.
std::string narrow(std::u16string_view text);
// An ASCII text as UTF-16.
std::u16string widen(std::string_view ascii);

}  // namespace telvia::fakes
