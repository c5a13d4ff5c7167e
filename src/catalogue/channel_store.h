// The catalogue in the registry, and the first-run import.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

void loadCatalogue(AppState& state, Ports& ports);

void saveCatalogue(const AppState& state, Ports& ports);

}  // namespace telvia
