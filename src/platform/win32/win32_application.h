// Everything the process owns for its lifetime: the state, the platform adapters, the
// ports view of them and the presenter of the main window.
#pragma once

#include <memory>

#include "app/main_window_presenter.h"
#include "app/ports.h"
#include "catalogue/app_state.h"
#include "i18n/translation_table.h"
#include "platform/win32/win32_channels_menu.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_main_window.h"
#include "platform/win32/win32_media.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_services.h"
#include "platform/win32/win32_text_targets.h"
#include "platform/win32/win32_window_control.h"

namespace telvia::win32 {

class Win32Application {
public:
    Win32Application(HINSTANCE instance, int showCommand);

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
    Win32MainWindow window_;
    HWND mainWindow_ = nullptr;  // shared by the adapters that need an owner window
    Win32ChannelsMenu channelsMenu_;
    Win32System system_;
    Win32MessageBoxes messages_{mainWindow_};
    Win32Shell shell_{mainWindow_};
    Win32Dialogs dialogs_;
    Win32Files files_;
    Win32MenuTexts menuTexts_{mainWindow_};
    Win32TextConversion textConversion_;
    Win32Registry registry_;
    Win32Locale locale_;
    Win32Collation collation_;
    Win32MediaFramework media_{mainWindow_};
    Win32WindowControl windowControl_{mainWindow_};
    Win32Screen screen_;
    Ports ports_;
    MainWindowPresenter presenter_;
    Win32Process process_;
};

}  // namespace telvia::win32
