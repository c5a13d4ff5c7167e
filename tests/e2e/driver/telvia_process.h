// One running telvia.exe, started and driven from outside: its main window, its title,
// commands and keys sent to it, and its exit. A process still running when its owner goes
// away is ended, so no window of one scenario survives into the next.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "driver/kernel_handle.h"
#include "driver/win32.h"
#include "driver/window_search.h"

namespace telvia::e2e {

// The class of the program's main window; also how a second start finds the first.
inline constexpr std::wstring_view mainWindowClass = L"TELVIA";

class TelviaProcess {
public:
    // Starts `program` with `folder` as its current directory and the arguments, each
    // quoted, after the program's quoted name. Throws when it cannot start.
    TelviaProcess(const std::filesystem::path& program, const std::filesystem::path& folder,
                  const std::vector<std::wstring>& arguments = {});
    ~TelviaProcess();

    TelviaProcess(TelviaProcess&&) noexcept = default;
    TelviaProcess& operator=(TelviaProcess&&) = delete;
    TelviaProcess(const TelviaProcess&) = delete;
    TelviaProcess& operator=(const TelviaProcess&) = delete;

    [[nodiscard]] DWORD id() const { return id_; }
    [[nodiscard]] HANDLE handle() const { return process_.get(); }

    // Waits until the process has a visible main window and answers it. Throws when the
    // process ends first or the time runs out.
    HWND waitForMainWindow(std::chrono::milliseconds timeout = defaultTimeout);
    // The window found by waitForMainWindow; throws before that.
    [[nodiscard]] HWND mainWindow() const;
    [[nodiscard]] std::wstring title() const;

    // WM_COMMAND with `commandId` and lParam 0, posted: the call returns at once, so it
    // also suits commands that open a modal dialog.
    void postCommand(unsigned commandId) const;
    // The same command sent: runs to its end before the call returns. False when the
    // window did not answer within `timeout`.
    [[nodiscard]] bool sendCommand(unsigned commandId, std::chrono::milliseconds timeout = defaultTimeout) const;
    // WM_KEYDOWN of the virtual key `key`, posted, with a repeat count of 1.
    void postKey(unsigned key) const;
    // The same key sent: its handling runs to its end before the call returns. False when
    // the window did not answer within `timeout` (a key that opened a modal box, say).
    [[nodiscard]] bool sendKey(unsigned key, std::chrono::milliseconds timeout = defaultTimeout) const;
    // Any message, posted to the main window.
    void post(UINT message, WPARAM wParam, LPARAM lParam) const;

    [[nodiscard]] bool running() const;
    // The exit code once the process has ended, nothing when it still runs after `timeout`.
    [[nodiscard]] std::optional<DWORD> waitForExit(std::chrono::milliseconds timeout = defaultTimeout) const;
    // Ends the process at once (nothing is saved) and waits until it is gone.
    void kill();

private:
    // TerminateProcess and a wait for the end; never throws, for the destructor.
    bool terminate() noexcept;

    KernelHandle process_;
    KernelHandle thread_;
    DWORD id_ = 0;
    HWND mainWindow_ = nullptr;
};

}  // namespace telvia::e2e
