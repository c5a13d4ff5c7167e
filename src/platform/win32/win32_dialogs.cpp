#include "platform/win32/win32_dialogs.h"

#include <string>

#include "app/about_box.h"
#include "app/process_entry.h"
#include "platform/win32/wide_text.h"
#include "resources/resource.h"

namespace telvia::win32 {

namespace {

std::wstring loadText(HINSTANCE instance, UINT id)
{
    wchar_t buffer[resourceTextLimit] = {};
    LoadStringW(instance, id, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

INT_PTR CALLBACK aboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
        SetDlgItemTextW(dialog, IDC_ABOUT_LINE1, loadText(instance, IDS_ABOUT_LINE1).c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_LINE2, loadText(instance, IDS_ABOUT_LINE2).c_str());
        const std::u16string line = aboutProductLine(fromWide(loadText(instance, IDS_APP_TITLE)),
                                                     fromWide(loadText(instance, IDS_VERSION)));
        SetDlgItemTextW(dialog, IDC_ABOUT_PRODUCT, toWide(line).c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void Win32Dialogs::runAboutBox()
{
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUT), owner_, aboutProcedure, 0);
}

void Win32Dialogs::runEditChannels()
{
    // The channel dialogs are not built yet.
}

void Win32Dialogs::runSaveChannels()
{
}

void Win32Dialogs::runLoadChannels()
{
}

}  // namespace telvia::win32
