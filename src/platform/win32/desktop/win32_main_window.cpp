#include "platform/win32/desktop/win32_main_window.h"

#include <string>

#include "platform/win32/base/wide_text.h"

namespace telvia::win32 {

void Win32MainWindow::setTitle(std::u16string_view title)
{
    const std::wstring text = toWide(title);
    SetWindowTextW(window_, text.c_str());
}

void Win32MainWindow::destroy()
{
    DestroyWindow(window_);
}

void Win32MainWindow::postCommand(int commandId)
{
    PostMessageW(window_, WM_COMMAND, static_cast<WPARAM>(commandId), 0);
}

void Win32MainWindow::postQuit(int exitCode)
{
    PostQuitMessage(exitCode);
}

void Win32MainWindow::startTimer(int timerId, int periodMs)
{
    SetTimer(window_, static_cast<UINT_PTR>(timerId), static_cast<UINT>(periodMs), nullptr);
}

void Win32MainWindow::checkMenuRadio(int firstId, int lastId, int checkedId)
{
    CheckMenuRadioItem(GetMenu(window_), static_cast<UINT>(firstId), static_cast<UINT>(lastId),
                       static_cast<UINT>(checkedId), MF_BYCOMMAND);
}

Point Win32MainWindow::cursorPosition()
{
    POINT point{};
    GetCursorPos(&point);
    return {point.x, point.y};
}

}  // namespace telvia::win32
