// Puts text on the clipboard, as a user copying an address would.
#pragma once

#include <string_view>

namespace telvia::e2e {

// Replaces the clipboard's content with the UTF-16 text; throws when the clipboard cannot
// be opened or written.
void copyToClipboard(std::wstring_view text);

// Empties the clipboard, so that it holds no text at all.
void emptyClipboard();

}  // namespace telvia::e2e
