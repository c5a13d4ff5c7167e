// Replacing the main menu's texts with translated ones.
#pragma once

#include "i18n/translation_table.h"
#include "platform/text_ports.h"

namespace telvia {

// Writes every non-empty text of the menu section onto the main menu (ids below 100 are
// positions of the top-level pop-ups, the others command ids), then redraws the menu bar.
void applyMenuTexts(const TranslationTable& table, MenuTextPort& menu);

}  // namespace telvia
