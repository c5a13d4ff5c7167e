// Small process-wide services: COM and common controls, message boxes, the shell.
#pragma once

#include "platform/message_box_port.h"
#include "platform/shell_port.h"
#include "platform/system_port.h"
#include "platform/win32/windows_includes.h"

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
    explicit Win32MessageBoxes(const HWND& mainWindow) : mainWindow_(mainWindow) {}
    void showInformation(MessageOwner owner, std::u16string_view text,
                         std::u16string_view caption) override;

private:
    const HWND& mainWindow_;
};

class Win32Shell final : public ShellPort {
public:
    explicit Win32Shell(const HWND& mainWindow) : mainWindow_(mainWindow) {}
    void open(std::u16string_view target) override;

private:
    const HWND& mainWindow_;
};

}  // namespace telvia::win32
