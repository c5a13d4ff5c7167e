// Replacing the main menu's texts with translated ones.
#pragma once

#include "app/ports.h"
#include "i18n/translation_table.h"

namespace telvia {

// Writes every non-empty text of the menu section onto the main menu (ids below 100 are
// positions of the top-level pop-ups, the others command ids), then redraws the menu bar.
void applyMenuTexts(const TranslationTable& table, Ports& ports);

}  // namespace telvia
