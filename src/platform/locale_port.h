// What the logic asks of the user's locale.
#pragma once

#include <string>

namespace telvia {

class LocalePort {
public:
    virtual ~LocalePort() = default;

    // The abbreviated country name of the user's default locale (GetLocaleInfoW with
    // LOCALE_USER_DEFAULT and LOCALE_SABBREVCTRYNAME), as the system gives it: normally
    // three letters such as "USA", but not necessarily; empty when the call fails.
    [[nodiscard]] virtual std::u16string countryAbbreviation() = 0;
};

}  // namespace telvia
