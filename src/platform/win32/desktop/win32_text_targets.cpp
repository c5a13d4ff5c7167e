#include "platform/win32/desktop/win32_text_targets.h"

#include <string>

#include "platform/win32/base/wide_text.h"

namespace telvia::win32 {

std::wstring toWideFrom(std::string_view text, TextEncoding encoding)
{
    if (text.empty()) {
        return {};
    }
    const UINT codePage = encoding == TextEncoding::utf8 ? CP_UTF8 : CP_ACP;
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            length);
    }
    return wide;
}

void Win32MenuTexts::setMenuItemText(MenuItemBy by, int id, std::string_view text,
                                     TextEncoding encoding)
{
    // Through the wide call, so a UTF-8 file shows right whatever the ANSI code page is.
    std::wstring wide = toWideFrom(text, encoding);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = wide.data();
    SetMenuItemInfoW(GetMenu(mainWindow_.handle()), static_cast<UINT>(id), by == MenuItemBy::position, &info);
}

void Win32MenuTexts::redrawMenuBar()
{
    DrawMenuBar(mainWindow_.handle());
}

void Win32DialogTexts::setDialogTitle(std::string_view text, TextEncoding encoding)
{
    SetWindowTextW(dialog_, toWideFrom(text, encoding).c_str());
}

void Win32DialogTexts::setControlText(int controlId, std::string_view text, TextEncoding encoding)
{
    SetDlgItemTextW(dialog_, controlId, toWideFrom(text, encoding).c_str());
}

std::u16string Win32TextConversion::toUtf16(std::string_view text, TextEncoding encoding)
{
    return fromWide(toWideFrom(text, encoding));
}

int Win32Collation::compare(std::u16string_view a, std::u16string_view b)
{
    return lstrcmpW(toWide(a).c_str(), toWide(b).c_str());
}

std::u16string Win32Locale::countryAbbreviation()
{
    wchar_t buffer[260] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVCTRYNAME, buffer,
                       static_cast<int>(std::size(buffer))) == 0) {
        return {};
    }
    return fromWide(buffer);
}

}  // namespace telvia::win32
