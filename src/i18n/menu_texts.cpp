#include "i18n/menu_texts.h"

namespace telvia {

void applyMenuTexts(const TranslationTable& table, MenuTextPort& menu)
{
    for (const TranslationEntry& entry : table.section(mainMenuTexts)) {
        if (entry.text.empty()) {
            continue;
        }
        const MenuItemBy by =
            entry.id < firstMenuCommandId ? MenuItemBy::position : MenuItemBy::command;
        menu.setMenuItemText(by, entry.id, entry.text.view(), table.encoding);
    }
    menu.redrawMenuBar();
}

}  // namespace telvia
