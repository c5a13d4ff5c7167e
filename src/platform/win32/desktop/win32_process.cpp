#include "platform/win32/desktop/win32_process.h"

#include <string>
#include <vector>

#include "platform/win32/base/wide_text.h"
#include "resources/resource.h"

namespace telvia::win32 {

namespace {

HWND asWindow(const RunningInstance& instance)
{
    return reinterpret_cast<HWND>(instance.window);
}

}  // namespace

std::u16string Win32Process::loadString(int id, std::size_t limit)
{
    std::vector<wchar_t> buffer(limit, L'\0');
    LoadStringW(instance_, static_cast<UINT>(id), buffer.data(), static_cast<int>(limit));
    return fromWide(buffer.data());
}

std::optional<RunningInstance> Win32Process::findRunningInstance(std::u16string_view className)
{
    const std::wstring wideClass = toWide(className);
    HWND other = FindWindowW(wideClass.c_str(), nullptr);
    if (other == nullptr) {
        return std::nullopt;
    }
    return RunningInstance{reinterpret_cast<std::uintptr_t>(other), IsIconic(other) != FALSE};
}

void Win32Process::restoreWindow(const RunningInstance& instance)
{
    ShowWindow(asWindow(instance), SW_RESTORE);
}

void Win32Process::bringToForeground(const RunningInstance& instance)
{
    SetForegroundWindow(asWindow(instance));
}

void Win32Process::registerMainWindowClass(std::u16string_view className)
{
    const std::wstring wideClass = toWide(className);
    const auto icon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TELVIA),
                                                    IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    const auto smallIcon = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TELVIA), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = windowProcedure_;
    windowClass.hInstance = instance_;
    windowClass.hIcon = icon;
    windowClass.hIconSm = smallIcon;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN_MENU);
    windowClass.lpszClassName = wideClass.c_str();
    RegisterClassExW(&windowClass);
}

bool Win32Process::createMainWindow(std::u16string_view className, std::u16string_view title)
{
    const std::wstring wideClass = toWide(className);
    const std::wstring wideTitle = toWide(title);
    mainWindow_ = CreateWindowExW(0, wideClass.c_str(), wideTitle.c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, 0,
                                  CW_USEDEFAULT, 0, nullptr, nullptr, instance_, application_);
    return mainWindow_ != nullptr;
}

void Win32Process::showMainWindow()
{
    ShowWindow(mainWindow_, showCommand_);
    UpdateWindow(mainWindow_);
}

int Win32Process::runMessageLoop()
{
    // Shortcuts are a convenience: without the table the keys simply do nothing.
    HACCEL accelerators = LoadAcceleratorsW(instance_, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

}  // namespace telvia::win32
