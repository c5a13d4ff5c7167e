// Texts of the translation file that replace menu, dialog and status texts.
#pragma once

namespace telvia {

// Filled once at process entry and read-only afterwards.
struct TranslationTable {
};

void loadTranslations(TranslationTable& table);

}  // namespace telvia
