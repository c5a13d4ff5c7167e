#include "driver/window_search.h"

#include <thread>

#include "driver/driver_error.h"

namespace telvia::e2e {

namespace {

struct Search {
    const WindowQuery* query;
    std::vector<HWND> found;
};

BOOL CALLBACK collect(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<Search*>(parameter);
    const WindowQuery& query = *search->query;
    if (query.processId != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != query.processId) {
            return TRUE;
        }
    }
    if (!query.className.empty() && windowClass(window) != query.className) {
        return TRUE;
    }
    if (!query.title.empty() && windowText(window) != query.title) {
        return TRUE;
    }
    if (query.owner != nullptr && GetWindow(window, GW_OWNER) != query.owner) {
        return TRUE;
    }
    if (query.visibleOnly && !IsWindowVisible(window)) {
        return TRUE;
    }
    search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> findTopLevelWindows(const WindowQuery& query)
{
    Search search{&query, {}};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> findChildWindows(HWND parent, const WindowQuery& query)
{
    Search search{&query, {}};
    EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT rectInClientOf(HWND child, HWND parent)
{
    RECT rect{};
    if (!GetWindowRect(child, &rect)) {
        failWithLastError("cannot read the rectangle of a child window");
    }
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT clientRect(HWND window)
{
    RECT rect{};
    if (!GetClientRect(window, &rect)) {
        failWithLastError("cannot read the client area of a window");
    }
    return rect;
}

std::wstring windowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring windowClass(HWND window)
{
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return condition();
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

}  // namespace telvia::e2e
