// The channels pop-up menu and stepping through the marked channels.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"
#include "i18n/translation_table.h"

namespace telvia {

// Rebuilds the pop-up from the marked channels, sorted by name in the user's order, in
// columns of ten; item k has the command id IDM_CHANNEL_FIRST + k.
void buildChannelsMenu(AppState& state, Ports& ports);

// Plays the first slot whose name equals state.current.name (the picked item's text).
void pickMenuChannel(AppState& state, Ports& ports, const TranslationTable& translations);

// The next marked channel after the current one in catalogue order, wrapping at the end.
void nextChannel(AppState& state, Ports& ports, const TranslationTable& translations);

// The previous marked channel before the current one, wrapping to the last marked one.
void previousChannel(AppState& state, Ports& ports, const TranslationTable& translations);

}  // namespace telvia
