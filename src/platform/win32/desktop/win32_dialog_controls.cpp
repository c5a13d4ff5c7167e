#include "platform/win32/desktop/win32_dialog_controls.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <iterator>
#include <string>

#include <commdlg.h>

#include "platform/win32/base/wide_text.h"
#include "platform/win32/desktop/win32_text_targets.h"
#include "resources/resource.h"

namespace telvia::win32 {

namespace {

bool isComboBox(HWND control)
{
    wchar_t name[16] = {};
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    return CompareStringOrdinal(name, -1, L"ComboBox", -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

void Win32DialogControls::attach(HWND dialog)
{
    dialog_ = dialog;
    list_ = Win32ChannelList(GetDlgItem(dialog, IDC_CHANNEL_LIST));
}

void Win32DialogControls::setDialogTitle(std::string_view text, TextEncoding encoding)
{
    // Through the wide call, so a UTF-8 translation shows right whatever the ANSI code page.
    SetWindowTextW(dialog_, toWideFrom(text, encoding).c_str());
}

void Win32DialogControls::setControlText(int controlId, std::string_view text,
                                         TextEncoding encoding)
{
    SetDlgItemTextW(dialog_, controlId, toWideFrom(text, encoding).c_str());
}

void Win32DialogControls::setTitle(std::u16string_view title)
{
    SetWindowTextW(dialog_, toWide(title).c_str());
}

std::u16string Win32DialogControls::title()
{
    const int length = GetWindowTextLengthW(dialog_);
    std::wstring buffer(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int copied = GetWindowTextW(dialog_, buffer.data(), static_cast<int>(buffer.size()));
    return fromWide(std::wstring_view(buffer.data(), static_cast<std::size_t>(std::max(copied, 0))));
}

void Win32DialogControls::enableControl(int controlId, bool enabled)
{
    EnableWindow(control(controlId), enabled ? TRUE : FALSE);
}

void Win32DialogControls::showControl(int controlId, bool shown)
{
    ShowWindow(control(controlId), shown ? SW_SHOW : SW_HIDE);
}

void Win32DialogControls::enableWindow(bool enabled)
{
    EnableWindow(dialog_, enabled ? TRUE : FALSE);
}

void Win32DialogControls::end(int result)
{
    EndDialog(dialog_, result);
}

ChannelListPort& Win32DialogControls::channelList()
{
    return list_;
}

void Win32DialogControls::limitText(int controlId, std::size_t maxLength)
{
    // 0 would lift the limit altogether, the opposite of what was asked for.
    const auto limit = static_cast<WPARAM>(std::clamp<std::size_t>(maxLength, 1, INT_MAX - 1));
    const HWND target = control(controlId);
    SendMessageW(target, isComboBox(target) ? CB_LIMITTEXT : EM_LIMITTEXT, limit, 0);
}

void Win32DialogControls::setText(int controlId, std::u16string_view text)
{
    SetDlgItemTextW(dialog_, controlId, toWide(text).c_str());
}

std::u16string Win32DialogControls::text(int controlId, std::size_t maxLength)
{
    // Room for the text and its terminator; the control writes no more than that.
    const std::size_t length = std::min<std::size_t>(maxLength, INT_MAX - 1);
    std::wstring buffer(length + 1, L'\0');
    GetDlgItemTextW(dialog_, controlId, buffer.data(), static_cast<int>(length + 1));
    return fromWide(std::wstring_view(buffer.data(), wcsnlen(buffer.data(), length)));
}

void Win32DialogControls::setChecked(int controlId, bool checked)
{
    CheckDlgButton(dialog_, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Win32DialogControls::isChecked(int controlId)
{
    return IsDlgButtonChecked(dialog_, controlId) == BST_CHECKED;
}

int Win32DialogControls::findComboItem(int controlId, std::u16string_view prefix)
{
    if (prefix.empty()) {
        // Every item begins with the empty text; the control itself would find none.
        return comboItemCount(controlId) > 0 ? 0 : -1;
    }
    // CB_FINDSTRING matches the beginning of an item without regard to case; -1 as the
    // start searches the whole list from its first item.
    const std::wstring wide = toWide(prefix);
    const auto found = SendDlgItemMessageW(dialog_, controlId, CB_FINDSTRING,
                                           static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(wide.c_str()));
    return found == CB_ERR ? -1 : static_cast<int>(found);
}

void Win32DialogControls::addComboItem(int controlId, std::u16string_view text)
{
    // The control's own styles (CBS_SORT, CBS_UPPERCASE) keep its list sorted and in capitals.
    const std::wstring wide = toWide(text);
    SendDlgItemMessageW(dialog_, controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void Win32DialogControls::selectComboItem(int controlId, int index)
{
    SendDlgItemMessageW(dialog_, controlId, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32DialogControls::comboItemCount(int controlId)
{
    const auto count = SendDlgItemMessageW(dialog_, controlId, CB_GETCOUNT, 0, 0);
    return count > 0 ? static_cast<int>(count) : 0;
}

void Win32DialogControls::showInformation(std::u16string_view text, std::u16string_view caption)
{
    MessageBoxW(dialog_, toWide(text).c_str(), toWide(caption).c_str(), MB_ICONINFORMATION);
}

bool Win32DialogControls::askYesNo(std::u16string_view text, std::u16string_view caption)
{
    return MessageBoxW(dialog_, toWide(text).c_str(), toWide(caption).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::optional<std::u16string> Win32DialogControls::askFileToOpen(std::u16string_view title,
                                                                 std::span<const FileTypeFilter> filters)
{
    // Label and patterns, each ended by a NUL, the list by a second NUL.
    std::wstring filterList;
    for (const FileTypeFilter& filter : filters) {
        filterList.append(toWide(filter.label)).push_back(L'\0');
        filterList.append(toWide(filter.patterns)).push_back(L'\0');
    }
    filterList.push_back(L'\0');
    const std::wstring wideTitle = toWide(title);
    std::wstring path(MAX_PATH, L'\0');

    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = dialog_;
    request.lpstrFilter = filterList.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = path.data();
    request.nMaxFile = MAX_PATH;
    request.lpstrTitle = wideTitle.c_str();
    // OFN_NOCHANGEDIR: the program's files are named relative to the current directory,
    // which browsing to another folder must not move.
    request.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                    OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&request)) {
        return std::nullopt;  // cancelled, or a path longer than the buffer
    }
    return fromWide(std::wstring_view(path.data(), wcsnlen(path.data(), path.size())));
}

}  // namespace telvia::win32
