// telvia-remote: drives a running Telvia from outside, for the release checks and the
// screenshots of the user manual (scripts/check-release.sh, scripts/screenshots.sh).
// Windows are named by class and caption; "-" matches any. Only visible top-level windows
// are considered.
//
//   telvia-remote wait CLASS TITLE SECONDS   wait for the window; print "x y width height"
//   telvia-remote gone CLASS TITLE SECONDS   wait until no such window is left
//   telvia-remote post CLASS TITLE MESSAGE WPARAM LPARAM
//                                            post a message (numbers in C notation)
//   telvia-remote rows CLASS TITLE           print the row count of its list view
//
// Exit code 0 on success, 1 when the window is not there (or not gone) in time, 2 on a
// usage error.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>

namespace {

struct Search {
    const wchar_t* windowClass;  // nullptr: any
    const wchar_t* title;        // nullptr: any
    HWND found = nullptr;
};

const wchar_t* anyOr(const wchar_t* argument)
{
    return std::wcscmp(argument, L"-") == 0 ? nullptr : argument;
}

BOOL CALLBACK matchWindow(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<Search*>(context);
    if (!IsWindowVisible(window)) {
        return TRUE;
    }
    wchar_t text[512] = {};
    if (search->windowClass != nullptr) {
        GetClassNameW(window, text, 512);
        if (std::wcscmp(text, search->windowClass) != 0) {
            return TRUE;
        }
    }
    if (search->title != nullptr) {
        GetWindowTextW(window, text, 512);
        if (std::wcscmp(text, search->title) != 0) {
            return TRUE;
        }
    }
    search->found = window;
    return FALSE;
}

HWND findWindow(const wchar_t* windowClass, const wchar_t* title)
{
    Search search{anyOr(windowClass), anyOr(title)};
    EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Polls every 100 ms until `done` answers true or `seconds` have passed.
template <typename Done>
bool waitFor(double seconds, Done done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

unsigned long long number(const wchar_t* text)
{
    return std::wcstoull(text, nullptr, 0);
}

int usage()
{
    std::fputs("usage: telvia-remote wait|gone CLASS TITLE SECONDS\n"
               "       telvia-remote post CLASS TITLE MESSAGE WPARAM LPARAM\n"
               "       telvia-remote rows CLASS TITLE\n",
               stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        return usage();
    }
    const std::wstring verb = argv[1];
    const wchar_t* windowClass = argv[2];
    const wchar_t* title = argv[3];

    if (verb == L"wait" && argc == 5) {
        HWND window = nullptr;
        if (!waitFor(std::wcstod(argv[4], nullptr),
                     [&] { return (window = findWindow(windowClass, title)) != nullptr; })) {
            return 1;
        }
        RECT rect{};
        GetWindowRect(window, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return 0;
    }
    if (verb == L"gone" && argc == 5) {
        return waitFor(std::wcstod(argv[4], nullptr), [&] { return findWindow(windowClass, title) == nullptr; })
                   ? 0
                   : 1;
    }
    if (verb == L"post" && argc == 7) {
        HWND window = findWindow(windowClass, title);
        if (window == nullptr) {
            return 1;
        }
        return PostMessageW(window, static_cast<UINT>(number(argv[4])), static_cast<WPARAM>(number(argv[5])),
                            static_cast<LPARAM>(number(argv[6])))
                   ? 0
                   : 1;
    }
    if (verb == L"rows" && argc == 4) {
        HWND window = findWindow(windowClass, title);
        HWND list = window == nullptr ? nullptr : FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
        if (list == nullptr) {
            return 1;
        }
        std::printf("%ld\n", static_cast<long>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
        return 0;
    }
    return usage();
}
