// The portable code names the few system values it needs by hand, so that it never sees a
// system header. Each is checked here against the SDK's own definition: a wrong copy stops
// the Windows build instead of misbehaving at run time.
#include "platform/win32/base/windows_includes.h"

#include <dshow.h>

#include "platform/dpi.h"
#include "platform/media_port.h"
#include "platform/registry_port.h"
#include "platform/system_port.h"
#include "platform/virtual_keys.h"
#include "platform/window_control_port.h"
#include "platform/window_messages.h"
#include "resources/resource.h"

namespace telvia::win32 {
namespace {

template <typename Enum>
constexpr auto raw(Enum value)
{
    return static_cast<std::underlying_type_t<Enum>>(value);
}

// Messages and keys of the main window.
static_assert(graphNotifyMessage == WM_USER + 400);
static_assert(keyBackspace == VK_BACK);
static_assert(keyEnter == VK_RETURN);
static_assert(keyEscape == VK_ESCAPE);
static_assert(keySpace == VK_SPACE);
static_assert(keyLeft == VK_LEFT);
static_assert(keyUp == VK_UP);
static_assert(keyRight == VK_RIGHT);
static_assert(keyDown == VK_DOWN);

// Dialog ids the resource script shares with the code.
static_assert(IDOK == 1 && IDCANCEL == 2 && IDC_STATIC == -1);

// Registry results and value types.
static_assert(raw(RegistryResult::success) == ERROR_SUCCESS);
static_assert(raw(RegistryResult::notFound) == ERROR_FILE_NOT_FOUND);
static_assert(raw(RegistryResult::accessDenied) == ERROR_ACCESS_DENIED);
static_assert(raw(RegistryResult::moreData) == ERROR_MORE_DATA);
static_assert(raw(RegistryType::none) == REG_NONE);
static_assert(raw(RegistryType::string) == REG_SZ);
static_assert(raw(RegistryType::expandString) == REG_EXPAND_SZ);
static_assert(raw(RegistryType::binary) == REG_BINARY);
static_assert(raw(RegistryType::number) == REG_DWORD);
static_assert(raw(RegistryType::multiString) == REG_MULTI_SZ);

// COM results and the media framework's values.
static_assert(std::is_same_v<HResult, std::int32_t> && sizeof(HResult) == sizeof(HRESULT));
static_assert(resultOk == S_OK && resultFalse == S_FALSE);
static_assert(resultUnknownFileType == VFW_E_UNKNOWN_FILE_TYPE);
static_assert(raw(PinDirection::input) == PINDIR_INPUT);
static_assert(raw(PinDirection::output) == PINDIR_OUTPUT);
static_assert(eventBufferingData == EC_BUFFERING_DATA);
static_assert(oaFalse == OAFALSE && oaTrue == OATRUE);
static_assert(vmrModeWindowed == VMRMode_Windowed);
static_assert(mixerBiLinearFiltering == MixerPref_BiLinearFiltering);
static_assert(mixerPointFiltering == MixerPref_PointFiltering);
static_assert(alphaBitmapFromDc == VMRBITMAP_HDC);
static_assert(alphaBitmapSourceColourKey == VMRBITMAP_SRCCOLORKEY);
static_assert(childVideoWindowStyle ==
              static_cast<std::int32_t>(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN));

// Lengths in the code are designed at the system's default resolution.
static_assert(designDpi == USER_DEFAULT_SCREEN_DPI);

// Window handles travel through the portable code as NativeWindow.
static_assert(sizeof(NativeWindow) == sizeof(HWND));

}  // namespace
}  // namespace telvia::win32
