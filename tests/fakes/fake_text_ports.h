// Fakes of the ports that take translated texts: the main menu, one dialog, and the
// conversion to UTF-16.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "call_log.h"
#include "platform/text_ports.h"

namespace telvia::fakes {

std::string encodingName(TextEncoding encoding);

class FakeMenuTexts final : public MenuTextPort {
public:
    explicit FakeMenuTexts(CallLog& log) : log_(log) {}

    void setMenuItemText(MenuItemBy by, int id, std::string_view text,
                         TextEncoding encoding) override;
    void redrawMenuBar() override;

    struct Set {
        MenuItemBy by;
        int id;
        std::string text;
        TextEncoding encoding;
    };
    std::vector<Set> sets;

private:
    CallLog& log_;
};

// A dialog whose title and controls are plain fields; setting a control it lacks does
// nothing, as on the real dialog.
class FakeDialogTexts final : public DialogTextPort {
public:
    explicit FakeDialogTexts(CallLog& log) : log_(log) {}

    void setDialogTitle(std::string_view text, TextEncoding encoding) override;
    void setControlText(int controlId, std::string_view text, TextEncoding encoding) override;

    std::string title;
    std::map<int, std::string> controls;  // the controls the dialog has, by id

private:
    CallLog& log_;
};

// ansi is read as Latin-1, utf8 is decoded (a malformed sequence gives U+FFFD).
class FakeTextConversion final : public TextConversionPort {
public:
    explicit FakeTextConversion(CallLog& log) : log_(log) {}

    std::u16string toUtf16(std::string_view text, TextEncoding encoding) override;

private:
    CallLog& log_;
};

}  // namespace telvia::fakes
