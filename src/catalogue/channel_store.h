// The catalogue in the registry, and the first-run import when it is not there yet.
#pragma once

#include <string>

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

// The settings key followed by \Channels.
[[nodiscard]] std::u16string channelsKeyPath(const AppState& state);

// Fills the table from the Channels key, position by position, until a position has no
// usable country or no name. Without the key this is the user's first run: the table is
// imported from the first-run file instead. Expects an empty table.
void loadCatalogue(AppState& state, Ports& ports);

// Stores the used slots as positions 000 upward and then removes the positions behind
// them, so the key holds exactly the table. Nothing is saved when the key cannot be
// created.
void saveCatalogue(const AppState& state, Ports& ports);

}  // namespace telvia
