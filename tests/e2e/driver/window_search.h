// Finding top-level windows of another process and waiting for things to happen.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/win32.h"

namespace telvia::e2e {

using namespace std::chrono_literals;

// How long the driver waits for a window, a dialog, a file or an exit by default. Each of
// these normally takes well under a second; the margin is for a loaded build machine.
inline constexpr std::chrono::milliseconds defaultTimeout = 10s;

// Which windows to look for; every condition left out matches any window.
struct WindowQuery {
    DWORD processId = 0;
    std::wstring_view className;
    std::wstring_view title;
    HWND owner = nullptr;
    bool visibleOnly = false;

    WindowQuery& ofProcess(DWORD id) { processId = id; return *this; }
    WindowQuery& ofClass(std::wstring_view name) { className = name; return *this; }
    WindowQuery& titled(std::wstring_view text) { title = text; return *this; }
    WindowQuery& ownedBy(HWND window) { owner = window; return *this; }
    WindowQuery& visible() { visibleOnly = true; return *this; }
};

// The top-level windows that match `query`, in z-order.
[[nodiscard]] std::vector<HWND> findTopLevelWindows(const WindowQuery& query);
// The child windows of `parent`, at every depth, that match `query`, in z-order. Works on
// another process's window, such as the program's main window with the video window its
// media renderer placed in it.
[[nodiscard]] std::vector<HWND> findChildWindows(HWND parent, const WindowQuery& query);

// Where `child` lies in the client area of `parent`: left and top in `parent`'s client
// coordinates, right and bottom one past the last pixel.
[[nodiscard]] RECT rectInClientOf(HWND child, HWND parent);
// The client area of `window`: left and top are 0, right and bottom its size.
[[nodiscard]] RECT clientRect(HWND window);

[[nodiscard]] std::wstring windowText(HWND window);
[[nodiscard]] std::wstring windowClass(HWND window);

// Asks `condition` every 20 ms until it holds or `timeout` has passed; answers whether it held.
[[nodiscard]] bool waitUntil(const std::function<bool()>& condition,
                             std::chrono::milliseconds timeout = defaultTimeout);

}  // namespace telvia::e2e
