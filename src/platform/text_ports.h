// Where translated 8-bit texts go: the main menu, a dialog and its controls, and the
// conversion to UTF-16 for texts that end up in UTF-16 windows (the title).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace telvia {

// The code page of a translated text. Texts stay bytes in the logic; the platform layer
// converts them (CP_ACP for ansi, CP_UTF8 for utf8) where it sets them.
enum class TextEncoding : std::uint8_t {
    ansi,  // the system's ANSI code page
    utf8,
};

// How a main-menu item is addressed: a top-level pop-up by its position, an item by its
// command id.
enum class MenuItemBy : std::uint8_t {
    position,
    command,
};

class MenuTextPort {
public:
    virtual ~MenuTextPort() = default;

    // Replaces the whole text of one item of the main window's menu; an item that does
    // not exist changes nothing.
    virtual void setMenuItemText(MenuItemBy by, int id, std::string_view text,
                                 TextEncoding encoding) = 0;
    virtual void redrawMenuBar() = 0;
};

// One open dialog; the dialog's code makes one for its window when it initialises.
class DialogTextPort {
public:
    virtual ~DialogTextPort() = default;

    virtual void setDialogTitle(std::string_view text, TextEncoding encoding) = 0;
    // A control id the dialog does not have changes nothing.
    virtual void setControlText(int controlId, std::string_view text, TextEncoding encoding) = 0;
};

class TextConversionPort {
public:
    virtual ~TextConversionPort() = default;

    [[nodiscard]] virtual std::u16string toUtf16(std::string_view text,
                                                 TextEncoding encoding) = 0;
};

}  // namespace telvia
