// Translated 8-bit texts onto the main menu, dialogs and UTF-16 strings.
#pragma once

#include "platform/collation_port.h"
#include "platform/locale_port.h"
#include "platform/text_ports.h"
#include "platform/win32/base/windows_includes.h"
#include "platform/win32/desktop/win32_main_window.h"

namespace telvia::win32 {

// Converts from the ANSI code page or UTF-8, as the translation file was written.
[[nodiscard]] std::wstring toWideFrom(std::string_view text, TextEncoding encoding);

class Win32MenuTexts final : public MenuTextPort {
public:
    explicit Win32MenuTexts(const Win32MainWindow& mainWindow) : mainWindow_(mainWindow) {}
    void setMenuItemText(MenuItemBy by, int id, std::string_view text, TextEncoding encoding) override;
    void redrawMenuBar() override;

private:
    const Win32MainWindow& mainWindow_;
};

class Win32DialogTexts final : public DialogTextPort {
public:
    explicit Win32DialogTexts(HWND dialog) : dialog_(dialog) {}
    void setDialogTitle(std::string_view text, TextEncoding encoding) override;
    void setControlText(int controlId, std::string_view text, TextEncoding encoding) override;

private:
    HWND dialog_;
};

class Win32TextConversion final : public TextConversionPort {
public:
    std::u16string toUtf16(std::string_view text, TextEncoding encoding) override;
};

class Win32Collation final : public CollationPort {
public:
    int compare(std::u16string_view a, std::u16string_view b) override;
};

class Win32Locale final : public LocalePort {
public:
    std::u16string countryAbbreviation() override;
};

}  // namespace telvia::win32
