// Shared by the dialog adapter tests: the program's dialog templates created without a
// procedure of their own, and a helper that answers the message box a call under test opens.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>

namespace telvia::test {

inline void initialiseCommonControls()
{
    INITCOMMONCONTROLSEX classes{};
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&classes);
}

struct WindowDestroyer {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

inline INT_PTR CALLBACK inertDialogProcedure(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// A modeless, hidden instance of one of the program's dialog templates.
inline WindowHandle createDialog(int templateId)
{
    initialiseCommonControls();
    return WindowHandle(CreateDialogParamW(GetModuleHandleW(nullptr),
                                           MAKEINTRESOURCEW(templateId), nullptr,
                                           inertDialogProcedure, 0));
}

inline std::wstring windowText(HWND window)
{
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

// What a message box looked like when the answerer found it.
struct SeenMessageBox {
    bool found = false;
    std::wstring caption;
    std::wstring text;
    int focusedButton = 0;
    bool hasYes = false;
    bool hasNo = false;
};

// Waits on its own thread for a message box owned by the window, records it and answers
// with the button given, or with the Enter key when that is pressEnter. Join by destroying
// it, after the call that opened the box.
class MessageBoxAnswerer {
public:
    static constexpr int pressEnter = 0;

    MessageBoxAnswerer(HWND owner, int answer)
        : owner_(owner), answer_(answer), thread_(GetCurrentThreadId()),
          worker_([this] { run(); })
    {
    }
    ~MessageBoxAnswerer() { stop(); }
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    const SeenMessageBox& seen()
    {
        stop();
        return seen_;
    }

private:
    void stop()
    {
        done_ = true;
        if (worker_.joinable()) {
            worker_.join();
        }
    }

    void run()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done_ && std::chrono::steady_clock::now() < deadline) {
            if (HWND box = findBox(); box != nullptr) {
                record(box);
                if (answer_ == pressEnter) {
                    // To the focused control, as the keyboard would deliver it.
                    GUITHREADINFO info{};
                    info.cbSize = sizeof info;
                    GetGUIThreadInfo(thread_, &info);
                    PostMessageW(info.hwndFocus != nullptr ? info.hwndFocus : box, WM_KEYDOWN,
                                 VK_RETURN, 0);
                } else {
                    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), 0);
                }
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    HWND findBox()
    {
        struct Search {
            HWND owner;
            HWND found;
        } search{owner_, nullptr};
        EnumThreadWindows(
            thread_,
            [](HWND window, LPARAM context) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(context);
                wchar_t name[16] = {};
                GetClassNameW(window, name, 16);
                if (std::wstring(name) == L"#32770" && GetWindow(window, GW_OWNER) == s.owner &&
                    IsWindowVisible(window)) {
                    s.found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    void record(HWND box)
    {
        seen_.found = true;
        seen_.caption = windowText(box);
        seen_.text = windowText(GetDlgItem(box, 0xFFFF));
        // The box is shown with the focus on its default button.
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(thread_, &info) && info.hwndFocus != nullptr) {
            seen_.focusedButton = GetDlgCtrlID(info.hwndFocus);
        }
        seen_.hasYes = GetDlgItem(box, IDYES) != nullptr;
        seen_.hasNo = GetDlgItem(box, IDNO) != nullptr;
    }

    HWND owner_;
    int answer_;
    DWORD thread_;
    std::atomic<bool> done_{false};
    SeenMessageBox seen_;
    std::thread worker_;
};

}  // namespace telvia::test
