// Replacing a dialog's texts with translated ones.
#pragma once

#include "i18n/translation_table.h"
#include "platform/text_ports.h"

namespace telvia {

// Writes every non-empty text of the section onto the dialog: id 0 is the title, a
// look-up-only entry is left out, any other id is a control. Called last in a dialog's initialisation, so a translation wins
// over the texts the dialog sets itself.
void applyDialogTexts(const TranslationTable& table, int section, DialogTextPort& dialog);

}  // namespace telvia
