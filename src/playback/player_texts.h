// The window title and the texts of failure reports, composed without any port.
#pragma once

#include <string>
#include <string_view>

#include "platform/system_port.h"

namespace telvia {

// Product name, then "  [ name ]" and "  status" when there is a channel name; cut to the
// 519 units of the title buffer.
[[nodiscard]] std::u16string composeTitle(std::u16string_view productName,
                                          std::u16string_view channelName,
                                          std::u16string_view status);

// The format with each "%x" replaced by the result code in lower-case hexadecimal, cut to
// the 1023 units of the report buffer. The format is ASCII.
[[nodiscard]] std::u16string failureText(std::string_view format, HResult result);

// A status word cut to the 259 units of the status buffer.
[[nodiscard]] std::u16string statusText(std::u16string status);

}  // namespace telvia
