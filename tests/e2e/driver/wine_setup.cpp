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

namespace {

// Extra output devices of Wine's ALSA driver, which lists them after whatever cards it
// finds: with no card, the first of them is the default output.
constexpr wchar_t alsaDriverKey[] = L"Software\\Wine\\Drivers\\winealsa.drv";
constexpr wchar_t alsaOutputDevices[] = L"ALSAOutputDevices";
constexpr wchar_t nullDevice[] = L"null\0";  // a list of one name, ended by an empty one

std::optional<std::vector<std::uint8_t>> storedDevices()
{
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, alsaDriverKey, alsaOutputDevices, RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> value(size);
    if (RegGetValueW(HKEY_CURRENT_USER, alsaDriverKey, alsaOutputDevices, RRF_RT_REG_MULTI_SZ, nullptr, value.data(),
                     &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(size);
    return value;
}

bool storeDevices(const void* value, DWORD size)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, alsaDriverKey, alsaOutputDevices, REG_MULTI_SZ, value, size) ==
           ERROR_SUCCESS;
}

}  // namespace

SilentSoundDevice::SilentSoundDevice()
{
    if (!runningUnderWine()) {
        return;
    }
    previous_ = storedDevices();
    set_ = storeDevices(nullDevice, sizeof nullDevice);
}

SilentSoundDevice::~SilentSoundDevice()
{
    if (!set_) {
        return;
    }
    if (previous_) {
        storeDevices(previous_->data(), static_cast<DWORD>(previous_->size()));
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, alsaDriverKey, alsaOutputDevices);
    }
}

}  // namespace telvia::e2e
