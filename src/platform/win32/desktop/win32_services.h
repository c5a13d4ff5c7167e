// Small process-wide services: COM and common controls, message boxes, the shell.
#pragma once

#include "platform/message_box_port.h"
#include "platform/shell_port.h"
#include "platform/system_port.h"
#include "platform/win32/base/windows_includes.h"
#include "platform/win32/desktop/win32_main_window.h"

namespace telvia::win32 {

class Win32System final : public SystemPort {
public:
    HResult initialiseCom() override;
    void uninitialiseCom() override;
    void initialiseCommonControls() override;
    void exitProcess(int exitCode) override;
};

class Win32MessageBoxes final : public MessageBoxPort {
public:
    explicit Win32MessageBoxes(const Win32MainWindow& mainWindow) : mainWindow_(mainWindow) {}
    void showInformation(MessageOwner owner, std::u16string_view text,
                         std::u16string_view caption) override;

private:
    const Win32MainWindow& mainWindow_;
};

class Win32Shell final : public ShellPort {
public:
    explicit Win32Shell(const Win32MainWindow& mainWindow) : mainWindow_(mainWindow) {}
    void open(std::u16string_view target) override;

private:
    const Win32MainWindow& mainWindow_;
};

}  // namespace telvia::win32
