// The clipboard's text, read for the main window.
#pragma once

#include "platform/clipboard_port.h"
#include "platform/win32/windows_includes.h"

namespace telvia::win32 {

class Win32Clipboard final : public ClipboardPort {
public:
    explicit Win32Clipboard(const HWND& owner) : owner_(owner) {}

    std::u16string text(std::size_t maxLength) override;

private:
    const HWND& owner_;
};

}  // namespace telvia::win32
