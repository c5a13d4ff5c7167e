#include "console_output.h"

#include <limits>
#include <optional>
#include <string>

#include "common/utf8.h"
#include "platform/win32/base/wide_text.h"

namespace telvia::probe {

namespace {

// Line ends as Windows programs expect them in a text file.
std::string withWindowsLineEnds(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\n') {
            out += "\r\n";
        } else if (c != '\r') {
            out.push_back(c);
        }
    }
    out += "\r\n";
    return out;
}

}  // namespace

ConsoleOutput::ConsoleOutput(DWORD standardHandle) : handle_(GetStdHandle(standardHandle)), console_(false)
{
    DWORD mode = 0;
    console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode) != 0;
}

void ConsoleOutput::line(std::string_view utf8)
{
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string text = withWindowsLineEnds(utf8);
    if (console_) {
        const std::optional<std::u16string> wide = utf8ToUtf16(text);
        const std::wstring shown = win32::toWide(wide.value_or(u"?\r\n"));
        if (shown.size() <= std::numeric_limits<DWORD>::max()) {
            DWORD written = 0;
            WriteConsoleW(handle_, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr);
        }
        return;
    }
    if (text.size() <= std::numeric_limits<DWORD>::max()) {
        DWORD written = 0;
        WriteFile(handle_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

}  // namespace telvia::probe
