#include "platform/win32/desktop/win32_window_control.h"

#include "platform/win32/desktop/win32_dpi.h"

namespace telvia::win32 {

namespace {

Rect fromRect(const RECT& rect)
{
    return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

NativeWindow Win32WindowControl::handle()
{
    return toNative(mainWindow_.handle());
}

void Win32WindowControl::showNormal()
{
    ShowWindow(mainWindow_.handle(), SW_SHOWNORMAL);
}

void Win32WindowControl::enable(bool enabled)
{
    EnableWindow(mainWindow_.handle(), enabled ? TRUE : FALSE);
}

void Win32WindowControl::setFocus()
{
    SetFocus(mainWindow_.handle());
}

void Win32WindowControl::bringToForeground()
{
    SetForegroundWindow(mainWindow_.handle());
}

void Win32WindowControl::update()
{
    UpdateWindow(mainWindow_.handle());
}

void Win32WindowControl::invalidate()
{
    InvalidateRect(mainWindow_.handle(), nullptr, TRUE);
}

Size Win32WindowControl::clientSize()
{
    RECT client{};
    GetClientRect(mainWindow_.handle(), &client);
    return {client.right - client.left, client.bottom - client.top};
}

Rect Win32WindowControl::windowRect()
{
    RECT window{};
    GetWindowRect(mainWindow_.handle(), &window);
    return fromRect(window);
}

bool Win32WindowControl::isMaximised()
{
    return IsZoomed(mainWindow_.handle()) != FALSE;
}

int Win32WindowControl::dpi()
{
    return windowDpi(mainWindow_.handle());
}

void Win32WindowControl::move(const Rect& rect)
{
    MoveWindow(mainWindow_.handle(), rect.left, rect.top, rect.width(), rect.height(), FALSE);
}

std::optional<Rect> Win32Screen::workArea()
{
    RECT work{};
    if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) == FALSE) {
        return std::nullopt;
    }
    return fromRect(work);
}

Size Win32Screen::primaryScreenSize()
{
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Rect Win32Screen::mainWindowFrame(int dpi)
{
    RECT frame{};
    adjustWindowRectForDpi(frame, WS_OVERLAPPEDWINDOW, true, 0, dpi);
    return fromRect(frame);
}

Rect Win32Screen::desktopRect()
{
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return fromRect(desktop);
}

std::optional<Rect> Win32Screen::taskbarRect()
{
    const HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT rect{};
    if (taskbar == nullptr || GetWindowRect(taskbar, &rect) == FALSE) {
        return std::nullopt;
    }
    return fromRect(rect);
}

void Win32Screen::setScreenSaverActive(bool active)
{
    SystemParametersInfoW(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, nullptr, 0);
}

}  // namespace telvia::win32
