#include "driver/dialog.h"

#include <vector>

#include "driver/driver_error.h"
#include "driver/text.h"

namespace telvia::e2e {

namespace {

constexpr std::wstring_view dialogClass = L"#32770";
constexpr UINT textTimeoutMs = 5000;

HWND waitForDialog(const WindowQuery& query, std::chrono::milliseconds timeout)
{
    HWND found = nullptr;
    static_cast<void>(waitUntil(
        [&] {
            const std::vector<HWND> windows = findTopLevelWindows(query);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeout));
    return found;
}

}  // namespace

Dialog Dialog::waitForOwned(const TelviaProcess& process, std::chrono::milliseconds timeout)
{
    const HWND found = waitForDialog(
        WindowQuery{}.ofProcess(process.id()).ofClass(dialogClass).ownedBy(process.mainWindow()).visible(),
        timeout);
    if (found == nullptr) {
        throw DriverError("no dialog owned by the main window appeared within " + std::to_string(timeout.count()) +
                          " ms");
    }
    return Dialog(found);
}

std::optional<Dialog> Dialog::findOwned(const TelviaProcess& process, std::chrono::milliseconds within)
{
    const HWND found = waitForDialog(
        WindowQuery{}.ofProcess(process.id()).ofClass(dialogClass).ownedBy(process.mainWindow()).visible(),
        within);
    if (found == nullptr) {
        return std::nullopt;
    }
    return Dialog(found);
}

Dialog Dialog::waitForTitled(const TelviaProcess& process, std::wstring_view title, std::chrono::milliseconds timeout)
{
    const HWND found = waitForDialog(
        WindowQuery{}.ofProcess(process.id()).ofClass(dialogClass).titled(title).visible(), timeout);
    if (found == nullptr) {
        throw DriverError("no dialog titled \"" + toUtf8(title) + "\" appeared within " +
                          std::to_string(timeout.count()) + " ms");
    }
    return Dialog(found);
}

HWND Dialog::control(int id) const
{
    const HWND found = GetDlgItem(window_, id);
    if (found == nullptr) {
        throw DriverError("the dialog \"" + toUtf8(title()) + "\" has no control " + std::to_string(id));
    }
    return found;
}

void Dialog::setControlText(int id, std::wstring_view text) const
{
    const std::wstring terminated(text);
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(terminated.c_str()), SMTO_NORMAL,
                            textTimeoutMs, &result) == 0) {
        throw DriverError("control " + std::to_string(id) + " did not answer WM_SETTEXT");
    }
    if (result == FALSE) {
        throw DriverError("control " + std::to_string(id) + " refused the text \"" + toUtf8(text) + "\"");
    }
}

std::wstring Dialog::controlText(int id) const
{
    const HWND control = this->control(id);
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, textTimeoutMs, &length) == 0) {
        throw DriverError("control " + std::to_string(id) + " did not answer WM_GETTEXTLENGTH");
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                            textTimeoutMs, &copied) == 0) {
        throw DriverError("control " + std::to_string(id) + " did not answer WM_GETTEXT");
    }
    text.resize(copied);
    return text;
}

void Dialog::press(int id) const
{
    const HWND control = GetDlgItem(window_, id);
    const auto wParam = static_cast<WPARAM>((static_cast<unsigned>(BN_CLICKED) << 16) | (static_cast<unsigned>(id) & 0xFFFFu));
    if (!PostMessageW(window_, WM_COMMAND, wParam, reinterpret_cast<LPARAM>(control))) {
        failWithLastError("cannot post the command " + std::to_string(id) + " to the dialog");
    }
}

bool Dialog::waitClosed(std::chrono::milliseconds timeout) const
{
    return waitUntil([this] { return !IsWindow(window_); }, timeout);
}

}  // namespace telvia::e2e
