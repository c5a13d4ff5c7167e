#include "i18n/translation_table.h"

namespace telvia {

void loadTranslations(TranslationTable&)
{
    // No translation file is read yet: every window keeps its built-in texts.
}

}  // namespace telvia
