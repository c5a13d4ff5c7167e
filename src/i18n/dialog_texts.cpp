#include "i18n/dialog_texts.h"

namespace telvia {

void applyDialogTexts(const TranslationTable& table, int section, DialogTextPort& dialog)
{
    for (const TranslationEntry& entry : table.section(section)) {
        // Look-up-only entries name no control. They are skipped rather than sent as id -1,
        // which on a real dialog would hit a static control that has that id.
        if (entry.text.empty() || entry.id == lookUpOnlyId) {
            continue;
        }
        if (entry.id == dialogTitleId) {
            dialog.setDialogTitle(entry.text.view(), table.encoding);
        } else {
            dialog.setControlText(entry.id, entry.text.view(), table.encoding);
        }
    }
}

}  // namespace telvia
