// Plain keys of the main window that the accelerator table did not take.
#pragma once

#include <optional>

namespace telvia {

// Virtual-key codes, as Windows numbers them.
enum VirtualKey : unsigned {
    keyBackspace = 8,
    keyEnter = 13,
    keyEscape = 27,
    keySpace = 32,
    keyLeft = 37,
    keyUp = 38,
    keyRight = 39,
    keyDown = 40,
};

// The command a key sends to the main window, if any. Escape is not here: it only
// leaves full screen and sends no command.
[[nodiscard]] std::optional<int> commandForKey(unsigned virtualKey);

}  // namespace telvia
