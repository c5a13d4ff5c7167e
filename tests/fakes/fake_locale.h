// The user's locale, answering with whatever country name a test gives it.
#pragma once

#include <string>

#include "call_log.h"
#include "platform/locale_port.h"

namespace telvia::fakes {

class FakeLocale final : public LocalePort {
public:
    explicit FakeLocale(CallLog& log) : log_(log) {}

    std::u16string countryAbbreviation() override
    {
        log_.add("locale.countryAbbreviation");
        return country;
    }

    std::u16string country = u"USA";

private:
    CallLog& log_;
};

}  // namespace telvia::fakes
