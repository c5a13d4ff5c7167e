#include "program/application.h"

#include <cstddef>
#include <span>

#include "app/process_entry.h"
#include "platform/window_messages.h"

namespace telvia::program {

Application::Application(HINSTANCE instance, int showCommand)
    : channelsMenu_(instance, window_),
      dialogs_(instance, window_),
      media_(window_, streamSessions_.factory()),
      ports_{window_,   channelsMenu_,   system_,    messages_, shell_, dialogs_,
             files_,    menuTexts_, textConversion_, registry_, locale_, collation_,
             media_,    windowControl_, screen_, clipboard_},
      presenter_(*state_, ports_, translations_),
      process_(instance, showCommand, &Application::windowProcedure, this)
{
}

int Application::run()
{
    return runProcessEntry(*state_, translations_, {process_, files_, messages_},
                           presenter_.listsToLoad());
}

LRESULT CALLBACK Application::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                   LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* application = reinterpret_cast<Application*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (application == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return application->handleMessage(window, message, wParam, lParam);
}

LRESULT Application::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        return dispatch(window, message, wParam, lParam);
    } catch (...) {
        // Unwinding through the system's frames is undefined; end cleanly instead.
        FatalAppExitW(0, L"Telvia stopped after an internal error.");
        return 0;
    }
}

LRESULT Application::dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        window_.attach(window);
        presenter_.onCreate();
        return 0;
    case WM_DESTROY:
        presenter_.onDestroy();
        return 0;
    case WM_SIZE:
        presenter_.onSize();
        return 0;
    case WM_PAINT: {
        // The black class background and the video renderer fill the window.
        PAINTSTRUCT paint{};
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        Size minimum{info->ptMinTrackSize.x, info->ptMinTrackSize.y};
        presenter_.onGetMinMaxInfo(minimum);
        info->ptMinTrackSize = {minimum.width, minimum.height};
        return 1;
    }
    case WM_CONTEXTMENU:
        presenter_.onContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_KEYDOWN:
        presenter_.onKeyDown(static_cast<unsigned>(wParam));
        return 0;
    case WM_COMMAND:
        if (presenter_.onCommand(LOWORD(wParam))) {
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_TIMER:
        presenter_.onTimer();
        return 0;
    case graphNotifyMessage:
        presenter_.onGraphNotify();
        return 0;
    case sourceLoadedMessage:
        presenter_.onSourceLoaded(static_cast<std::uintptr_t>(wParam));
        return 0;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        if (suggested != nullptr) {
            presenter_.onDpiChanged(
                {suggested->left, suggested->top, suggested->right, suggested->bottom});
        }
        return 0;
    }
    case WM_COPYDATA: {
        // Sent by another process: only the structure's own fields are read, and the bytes
        // only as far as the system copied them.
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (copy == nullptr || (copy->cbData > 0 && copy->lpData == nullptr)) {
            return FALSE;
        }
        const std::span<const std::byte> data(static_cast<const std::byte*>(copy->lpData),
                                              copy->cbData);
        return presenter_.onCopyData(copy->dwData, data) ? TRUE : FALSE;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace telvia::program
