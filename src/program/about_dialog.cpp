#include "program/about_dialog.h"

#include <iterator>
#include <string>

#include "app/about_box.h"
#include "app/process_entry.h"
#include "platform/win32/base/wide_text.h"
#include "resources/resource.h"

namespace telvia::program {

namespace {

std::wstring loadText(HINSTANCE instance, UINT id)
{
    wchar_t buffer[resourceTextLimit] = {};
    LoadStringW(instance, id, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

}  // namespace

bool AboutDialog::onInit()
{
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window(), GWLP_HINSTANCE));
    SetDlgItemTextW(window(), IDC_ABOUT_LINE1, loadText(instance, IDS_ABOUT_LINE1).c_str());
    SetDlgItemTextW(window(), IDC_ABOUT_LINE2, loadText(instance, IDS_ABOUT_LINE2).c_str());
    const std::u16string line = aboutProductLine(win32::fromWide(loadText(instance, IDS_APP_TITLE)),
                                                 win32::fromWide(loadText(instance, IDS_VERSION)));
    SetDlgItemTextW(window(), IDC_ABOUT_PRODUCT, win32::toWide(line).c_str());
    return true;
}

bool AboutDialog::onCommand(int id, int)
{
    if (id == IDOK || id == IDCANCEL) {
        end(id);
        return true;
    }
    return false;
}

}  // namespace telvia::program
