// The user's settings: view mode, volume step, last channel and home country.
#pragma once

#include "app/app_state.h"
#include "platform/locale_port.h"
#include "platform/registry_port.h"

namespace telvia {

// 100 %, silence, and the home country of the user's locale (cut to three letters).
void setDefaultSettings(AppState& state, LocalePort& locale);

// Applies each stored setting that is accepted; the rest keep their defaults.
void readSettings(AppState& state, RegistryPort& registry);

// Stores the view mode, the volume step and the current channel's name. The home country
// is never written: it is stored only by someone who wants to override the locale.
void writeSettings(const AppState& state, RegistryPort& registry);

}  // namespace telvia
