// Names of the graph's parts as the report prints them: UTF-8, whatever the wide text holds.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/base/windows_includes.h"

#include <strmif.h>

namespace telvia::probe {

// A surrogate outside a pair, which has no UTF-8 form, shows as U+FFFD.
[[nodiscard]] std::string utf8Of(std::u16string_view text);
[[nodiscard]] std::string utf8Of(const wchar_t* text);

struct PinName {
    std::string name;
    PIN_DIRECTION direction = PINDIR_INPUT;
};

// Empty when the pin does not say.
[[nodiscard]] PinName nameOf(IPin& pin);

}  // namespace telvia::probe
