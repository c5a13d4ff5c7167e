#include "i18n/menu_texts.h"

namespace telvia {

void applyMenuTexts(const TranslationTable&, Ports&)
{
}

}  // namespace telvia
