#include "driver/telvia_process.h"

#include <string>
#include <vector>

#include "driver/driver_error.h"
#include "driver/text.h"

namespace telvia::e2e {

namespace {

// An exit code that the program itself never uses, so a killed process is recognisable.
constexpr UINT killedExitCode = 0xDEAD;

DWORD milliseconds(std::chrono::milliseconds timeout)
{
    return static_cast<DWORD>(timeout.count());
}

}  // namespace

TelviaProcess::TelviaProcess(const std::filesystem::path& program, const std::filesystem::path& folder,
                             const std::vector<std::wstring>& arguments)
{
    const std::wstring programPath = program.wstring();
    const std::wstring folderPath = folder.wstring();
    // As Explorer writes it for "%1": every part quoted (none of them holds a quote).
    std::wstring commandLine = L"\"" + programPath + L"\"";
    for (const std::wstring& argument : arguments) {
        commandLine += L" \"" + argument + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(programPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folderPath.c_str(), &startup, &started)) {
        failWithLastError("cannot start " + toUtf8(programPath));
    }
    process_ = KernelHandle(started.hProcess);
    thread_ = KernelHandle(started.hThread);
    id_ = started.dwProcessId;
}

TelviaProcess::~TelviaProcess()
{
    if (process_ && running()) {
        terminate();
    }
}

HWND TelviaProcess::waitForMainWindow(std::chrono::milliseconds timeout)
{
    // Returns once the program first waits for input, that is when start-up is over and the
    // message loop runs; the window is made before that.
    WaitForInputIdle(process_.get(), milliseconds(timeout));
    const WindowQuery query = WindowQuery{}.ofProcess(id_).ofClass(mainWindowClass).visible();
    const bool settled = waitUntil(
        [&] {
            const std::vector<HWND> windows = findTopLevelWindows(query);
            mainWindow_ = windows.empty() ? nullptr : windows.front();
            return mainWindow_ != nullptr || !running();
        },
        timeout);
    if (mainWindow_ != nullptr) {
        return mainWindow_;
    }
    if (settled) {
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        throw DriverError("telvia.exe ended with exit code " + std::to_string(code) + " before showing its window");
    }
    throw DriverError("telvia.exe showed no main window within " + std::to_string(timeout.count()) + " ms");
}

HWND TelviaProcess::mainWindow() const
{
    if (mainWindow_ == nullptr) {
        throw DriverError("the main window is not known yet: call waitForMainWindow first");
    }
    return mainWindow_;
}

std::wstring TelviaProcess::title() const
{
    return windowText(mainWindow());
}

void TelviaProcess::post(UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (!PostMessageW(mainWindow(), message, wParam, lParam)) {
        failWithLastError("cannot post message " + std::to_string(message) + " to the main window");
    }
}

void TelviaProcess::postCommand(unsigned commandId) const
{
    post(WM_COMMAND, commandId, 0);
}

bool TelviaProcess::sendCommand(unsigned commandId, std::chrono::milliseconds timeout) const
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(mainWindow(), WM_COMMAND, commandId, 0, SMTO_NORMAL, milliseconds(timeout), &result) !=
           0;
}

void TelviaProcess::postKey(unsigned key) const
{
    post(WM_KEYDOWN, key, 1);
}

bool TelviaProcess::sendKey(unsigned key, std::chrono::milliseconds timeout) const
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(mainWindow(), WM_KEYDOWN, key, 1, SMTO_NORMAL, milliseconds(timeout), &result) != 0;
}

bool TelviaProcess::running() const
{
    return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> TelviaProcess::waitForExit(std::chrono::milliseconds timeout) const
{
    if (WaitForSingleObject(process_.get(), milliseconds(timeout)) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) {
        failWithLastError("cannot read the exit code of telvia.exe");
    }
    return code;
}

bool TelviaProcess::terminate() noexcept
{
    TerminateProcess(process_.get(), killedExitCode);
    return WaitForSingleObject(process_.get(), milliseconds(defaultTimeout)) == WAIT_OBJECT_0;
}

void TelviaProcess::kill()
{
    if (!terminate()) {
        throw DriverError("telvia.exe (process " + std::to_string(id_) + ") did not end when it was killed");
    }
}

}  // namespace telvia::e2e
