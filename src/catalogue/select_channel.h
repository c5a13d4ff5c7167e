// Making a catalogue slot the current channel.
#pragma once

#include "app/ports.h"
#include "catalogue/app_state.h"
#include "i18n/translation_table.h"

namespace telvia {

// Copies the whole record of the slot (0 to 399) into state.current and connects to it.
void selectChannel(AppState& state, Ports& ports, const TranslationTable& translations,
                   int slot);

}  // namespace telvia
