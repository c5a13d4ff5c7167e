#include "platform/win32/desktop/win32_dpi.h"

namespace telvia::win32 {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

// A function of user32 (loaded with the program, never unloaded), or null where the
// system lacks it.
template <typename Function>
Function user32Function(const char* name)
{
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) {
        return nullptr;
    }
    // Through the generic function type, which converts to any other without a warning.
    const auto generic = reinterpret_cast<void (*)()>(GetProcAddress(user32, name));
    return reinterpret_cast<Function>(generic);
}

// The screen's device context, released when it goes out of scope.
class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (dc_ != nullptr) {
            ReleaseDC(nullptr, dc_);
        }
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;

    [[nodiscard]] HDC get() const { return dc_; }

private:
    HDC dc_;
};

int systemDpi()
{
    const ScreenDc screen;
    const int dpi = screen.get() != nullptr ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

int windowDpi(HWND window)
{
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return systemDpi();
}

void adjustWindowRectForDpi(RECT& rect, DWORD style, bool menu, DWORD extendedStyle, int dpi)
{
    static const auto adjustForDpi =
        user32Function<AdjustWindowRectExForDpiFunction>("AdjustWindowRectExForDpi");
    if (adjustForDpi != nullptr && dpi > 0 &&
        adjustForDpi(&rect, style, menu ? TRUE : FALSE, extendedStyle, static_cast<UINT>(dpi)) != FALSE) {
        return;
    }
    AdjustWindowRectEx(&rect, style, menu ? TRUE : FALSE, extendedStyle);
}

}  // namespace telvia::win32
