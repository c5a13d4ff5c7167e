// Texts of a channel file as the tool's tab-separated listing shows them on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace telvia::tools {

// The text as UTF-8 on one line, with nothing a terminal would act on: the backslash,
// tab, line feed and carriage return as \\ \t \n \r, other control characters as \xHH
// (C0 and DEL) or \uXXXX (C1), and as \uXXXX the line and paragraph separators, the
// marks that reorder a line's direction, and units that are not valid UTF-16.
[[nodiscard]] std::string listingText(std::u16string_view text);

// A file name for a message: as listingText, but a backslash stays itself, being the
// folder separator of Windows paths.
[[nodiscard]] std::string fileNameText(std::u16string_view name);

}  // namespace telvia::tools
