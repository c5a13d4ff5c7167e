// Plain keys of the main window that the accelerator table did not take.
#pragma once

#include <optional>

#include "platform/virtual_keys.h"

namespace telvia {

// The command a key sends to the main window, if any. Escape is not here: it only
// leaves full screen and sends no command.
[[nodiscard]] std::optional<int> commandForKey(unsigned virtualKey);

}  // namespace telvia
