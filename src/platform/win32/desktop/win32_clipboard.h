// The clipboard's text, read for the main window.
#pragma once

#include "platform/clipboard_port.h"
#include "platform/win32/base/windows_includes.h"
#include "platform/win32/desktop/win32_main_window.h"

namespace telvia::win32 {

class Win32Clipboard final : public ClipboardPort {
public:
    explicit Win32Clipboard(const Win32MainWindow& owner) : owner_(owner) {}

    std::u16string text(std::size_t maxLength) override;

private:
    const Win32MainWindow& owner_;
};

}  // namespace telvia::win32
