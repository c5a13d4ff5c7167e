#include "dialogs/trim_spaces.h"

namespace telvia {

void trimSpaces(std::u16string& text)
{
    const std::size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string::npos) {
        text.clear();
        return;
    }
    text.erase(text.find_last_not_of(u' ') + 1);
    text.erase(0, first);
}

}  // namespace telvia
