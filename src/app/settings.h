// The user's settings: view mode, volume step, last channel and home country.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

void setDefaultSettings(AppState& state, Ports& ports);

void readSettings(AppState& state, Ports& ports);

void writeSettings(const AppState& state, Ports& ports);

}  // namespace telvia
