// Virtual-key codes of the keys the main window handles, as Windows numbers them.
#pragma once

namespace telvia {

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

}  // namespace telvia
