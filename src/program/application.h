// The composition root: everything the process owns for its lifetime (the state, the
// platform adapters, the ports view of them and the presenter of the main window) and the
// main window's procedure, which forwards each message to the presenter.
#pragma once

#include <memory>

#include "app/app_state.h"
#include "app/main_window_presenter.h"
#include "app/ports.h"
#include "i18n/translation_table.h"
#include "platform/win32/desktop/win32_channels_menu.h"
#include "platform/win32/desktop/win32_clipboard.h"
#include "platform/win32/desktop/win32_files.h"
#include "platform/win32/desktop/win32_main_window.h"
#include "platform/win32/media/win32_media.h"
#include "platform/win32/desktop/win32_process.h"
#include "platform/win32/desktop/win32_registry.h"
#include "platform/win32/desktop/win32_services.h"
#include "platform/win32/desktop/win32_text_targets.h"
#include "platform/win32/desktop/win32_window_control.h"
#include "program/dialogs.h"
#include "program/stream_sessions.h"

namespace telvia::program {

class Application {
public:
    Application(HINSTANCE instance, int showCommand);

    // The process entry; returns the exit code.
    int run();

    // Messages of the main window; never lets an exception leave.
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);

private:
    LRESULT dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::unique_ptr<AppState> state_ = std::make_unique<AppState>();
    TranslationTable translations_;
    // The one owner of the main window's handle, from WM_CREATE on; the adapters that need
    // an owner window ask it.
    win32::Win32MainWindow window_;
    win32::Win32ChannelsMenu channelsMenu_;
    win32::Win32System system_;
    win32::Win32MessageBoxes messages_{window_};
    win32::Win32Shell shell_{window_};
    Dialogs dialogs_;
    win32::Win32Files files_;
    win32::Win32MenuTexts menuTexts_{window_};
    win32::Win32TextConversion textConversion_;
    win32::Win32Registry registry_;
    win32::Win32Locale locale_;
    win32::Win32Collation collation_;
    // The stream source's network and clock; every stream session of the process shares them.
    StreamSessions streamSessions_;
    win32::Win32MediaFramework media_;
    win32::Win32WindowControl windowControl_{window_};
    win32::Win32Screen screen_;
    win32::Win32Clipboard clipboard_{window_};
    Ports ports_;
    MainWindowPresenter presenter_;
    win32::Win32Process process_;
};

}  // namespace telvia::program
