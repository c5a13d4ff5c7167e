// Removing the spaces a user typed around a text.
#pragma once

#include <string>

namespace telvia {

// Removes U+0020 spaces at the start and the end, in place. Tabs, line breaks and other
// white space stay, and so do spaces inside the text.
void trimSpaces(std::u16string& text);

}  // namespace telvia
