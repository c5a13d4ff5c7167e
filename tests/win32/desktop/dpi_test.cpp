// The resolution of a window's display and the frame of the main window at a resolution,
// on real Win32: a known resolution always, the screen's where there is one for all, and
// frames that grow with the resolution where the system sizes them per resolution.
#include <windows.h>

#include <gtest/gtest.h>

#include "dialog_test_support.h"
#include "platform/win32/desktop/win32_dpi.h"
#include "platform/win32/desktop/win32_window_control.h"
#include "resources/resource.h"

namespace {

using telvia::Rect;
using telvia::win32::Win32Screen;

TEST(Dpi, AWindowsResolutionIsKnownAndThatOfItsScreen)
{
    const telvia::test::WindowHandle dialog = telvia::test::createDialog(IDD_ABOUT);
    ASSERT_NE(dialog, nullptr);
    HDC screen = GetDC(nullptr);
    const int screenDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);

    // One display here: the window's resolution is the screen's, and so is that of no window.
    EXPECT_EQ(telvia::win32::windowDpi(dialog.get()), screenDpi);
    EXPECT_EQ(telvia::win32::windowDpi(nullptr), screenDpi);
    EXPECT_GT(screenDpi, 0);
}

TEST(Dpi, TheMainWindowsFrameGrowsWithTheResolution)
{
    Win32Screen screen;
    RECT system{};
    AdjustWindowRectEx(&system, WS_OVERLAPPEDWINDOW, TRUE, 0);
    const Rect atSystem = screen.mainWindowFrame(0);  // no resolution: the system's frame
    EXPECT_EQ(atSystem, (Rect{system.left, system.top, system.right, system.bottom}));

    const Rect at96 = screen.mainWindowFrame(96);
    const Rect at192 = screen.mainWindowFrame(192);
    // The frame lies around the client area on every side.
    EXPECT_LT(at96.left, 0);
    EXPECT_LT(at96.top, 0);
    EXPECT_GT(at96.right, 0);
    EXPECT_GT(at96.bottom, 0);
    if (GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi") == nullptr) {
        GTEST_SKIP() << "this system sizes frames for its own resolution only";
    }
    // Caption and menu bar are twice as high on a display of twice the resolution, give or
    // take the rounding of each part.
    EXPECT_GT(at192.height(), at96.height() * 3 / 2);
    EXPECT_GE(at192.width(), at96.width());
}

}  // namespace
