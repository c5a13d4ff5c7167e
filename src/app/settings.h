// The user's settings: view mode, volume step, last channel and home country.
#pragma once

#include <string>

#include "app/ports.h"
#include "catalogue/app_state.h"

namespace telvia {

// Software\Quorvex\<product name>, under the current user; the catalogue lies below it.
[[nodiscard]] std::u16string settingsKeyPath(const AppState& state);

// 100 %, silence, and the home country of the user's locale (cut to three letters).
void setDefaultSettings(AppState& state, Ports& ports);

// Applies each stored setting that is accepted; the rest keep their defaults.
void readSettings(AppState& state, Ports& ports);

// Stores the view mode, the volume step and the current channel's name. The home country
// is never written: it is stored only by someone who wants to override the locale.
void writeSettings(const AppState& state, Ports& ports);

}  // namespace telvia
