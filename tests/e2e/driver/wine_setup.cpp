#include "driver/wine_setup.h"

#include <string>

#include "driver/registry.h"
#include "driver/win32.h"

namespace telvia::e2e {

bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

void letWineManageWindowsOf(std::wstring_view program)
{
    // Wine's per-program settings: HKCU\Software\Wine\AppDefaults\<exe>\<section>.
    const std::wstring key = L"Software\\Wine\\AppDefaults\\" + std::wstring(program) + L"\\X11 Driver";
    registry::writeString(key, L"Managed", L"N");
}

}  // namespace telvia::e2e
