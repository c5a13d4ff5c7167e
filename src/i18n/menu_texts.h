// Replacing the main menu's texts with translated ones.
#pragma once

#include "app/ports.h"
#include "i18n/translation_table.h"

namespace telvia {

void applyMenuTexts(const TranslationTable& table, Ports& ports);

}  // namespace telvia
