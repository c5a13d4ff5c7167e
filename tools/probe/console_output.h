// Lines of UTF-8 text to standard output or standard error: written as UTF-16 to a console
// window, so that every character shows whatever the console's code page, and as UTF-8
// bytes to a file or a pipe, so that a saved report reads the same everywhere.
#pragma once

#include <string_view>

#include "platform/win32/base/windows_includes.h"

namespace telvia::probe {

class ConsoleOutput {
public:
    // STD_OUTPUT_HANDLE or STD_ERROR_HANDLE.
    explicit ConsoleOutput(DWORD standardHandle);

    // Writes the text and a line end; a text holding several lines gets each its line end.
    void line(std::string_view utf8);

private:
    HANDLE handle_;
    bool console_;
};

}  // namespace telvia::probe
