// The radio mark of the Video size menu.
#pragma once

#include <cstdint>

#include "platform/main_window_port.h"

namespace telvia {

// Puts the menu's radio mark on the item of the view mode; a stored mode outside the four
// marks none.
void markViewMode(std::int32_t viewMode, MainWindowPort& window);

}  // namespace telvia
