#include "platform/win32/desktop/win32_process.h"

#include <memory>
#include <string>
#include <vector>

#include <shellapi.h>

#include "platform/win32/base/wide_text.h"
#include "resources/resource.h"

namespace telvia::win32 {

namespace {

HWND asWindow(const RunningInstance& instance)
{
    return reinterpret_cast<HWND>(instance.window);
}

// What CommandLineToArgvW hands out, freed with LocalFree.
struct LocalMemoryDeleter {
    void operator()(LPWSTR* memory) const { LocalFree(memory); }
};

// How long a second start waits for the running instance to take a file: that instance may
// be opening a stream, which holds its window for a while.
constexpr UINT sendDataTimeoutMs = 30000;

}  // namespace

std::vector<std::u16string> Win32Process::commandLineArguments()
{
    int count = 0;
    const std::unique_ptr<LPWSTR, LocalMemoryDeleter> arguments(
        CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::u16string> result;
    if (!arguments) {
        return result;
    }
    // The first is the program's own name.
    for (int i = 1; i < count; ++i) {
        result.push_back(fromWide(arguments.get()[i]));
    }
    return result;
}

std::u16string Win32Process::fullPath(std::u16string_view path)
{
    const std::wstring relative = toWide(path);
    const DWORD needed = GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return std::u16string(path);
    }
    std::vector<wchar_t> buffer(needed, L'\0');
    const DWORD length = GetFullPathNameW(relative.c_str(), needed, buffer.data(), nullptr);
    if (length == 0 || length >= needed) {
        return std::u16string(path);
    }
    return fromWide(std::wstring_view(buffer.data(), length));
}

bool Win32Process::enterProgramFolder()
{
    // Grown until the name fits: a path can be longer than MAX_PATH.
    std::vector<wchar_t> buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return false;
        }
        if (length < buffer.size()) {
            std::wstring folder(buffer.data(), length);
            const std::size_t separator = folder.find_last_of(L"\\/");
            if (separator == std::wstring::npos) {
                return false;
            }
            // A drive's root keeps its separator ("C:\").
            folder.resize(separator == 2 && folder[1] == L':' ? separator + 1 : separator);
            return SetCurrentDirectoryW(folder.c_str()) != FALSE;
        }
        if (buffer.size() >= 32768) {
            return false;
        }
        buffer.resize(buffer.size() * 2);
    }
}

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

bool Win32Process::sendData(const RunningInstance& instance, std::uintptr_t tag,
                            std::span<const std::byte> data)
{
    const HWND window = asWindow(instance);
    // This process was started by the user and may take the foreground; the other one may
    // then bring forward what it opens for the data.
    DWORD processId = 0;
    if (GetWindowThreadProcessId(window, &processId) != 0) {
        AllowSetForegroundWindow(processId);
    }
    COPYDATASTRUCT copy{};
    copy.dwData = tag;
    copy.cbData = static_cast<DWORD>(data.size());
    // The system copies the bytes into the other process; it never writes through this.
    copy.lpData = const_cast<std::byte*>(data.data());
    DWORD_PTR answer = 0;
    const LRESULT sent = SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy),
                                             SMTO_NORMAL, sendDataTimeoutMs, &answer);
    return sent != 0 && answer != 0;
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
