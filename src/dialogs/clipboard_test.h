// Playing an address from the clipboard before it goes into the catalogue.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

void testClipboardAddress(AppState& state, Ports& ports);

}  // namespace telvia
