#include "platform/win32/desktop/win32_services.h"

#include <objbase.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "platform/win32/base/wide_text.h"

namespace telvia::win32 {

HResult Win32System::initialiseCom()
{
    return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}

void Win32System::uninitialiseCom()
{
    CoUninitialize();
}

void Win32System::initialiseCommonControls()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
}

void Win32System::exitProcess(int exitCode)
{
    ExitProcess(static_cast<UINT>(exitCode));
}

void Win32MessageBoxes::showInformation(MessageOwner owner, std::u16string_view text,
                                        std::u16string_view caption)
{
    const std::wstring wideText = toWide(text);
    const std::wstring wideCaption = toWide(caption);
    MessageBoxW(owner == MessageOwner::mainWindow ? mainWindow_.handle() : nullptr, wideText.c_str(),
                wideCaption.c_str(), MB_ICONINFORMATION);
}

void Win32Shell::open(std::u16string_view target)
{
    const std::wstring wideTarget = toWide(target);
    ShellExecuteW(mainWindow_.handle(), L"open", wideTarget.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace telvia::win32
