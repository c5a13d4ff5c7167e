#include "fake_text_ports.h"

namespace telvia::fakes {

namespace {

std::u16string decodeUtf8(std::string_view text)
{
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2
                                 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1Fu)
                      : length == 3 ? (lead & 0x0Fu) : (lead & 0x07u);
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (!valid) {
            out.push_back(u'\xFFFD');
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

}  // namespace

std::string encodingName(TextEncoding encoding)
{
    return encoding == TextEncoding::utf8 ? "utf8" : "ansi";
}

void FakeMenuTexts::setMenuItemText(MenuItemBy by, int id, std::string_view text,
                                    TextEncoding encoding)
{
    sets.push_back({by, id, std::string(text), encoding});
    log_.add(std::string("menuTexts.set ") + (by == MenuItemBy::position ? "position " : "command ") +
             std::to_string(id) + " " + std::string(text) + " " + encodingName(encoding));
}

void FakeMenuTexts::redrawMenuBar() { log_.add("menuTexts.redrawMenuBar"); }

void FakeDialogTexts::setDialogTitle(std::string_view text, TextEncoding encoding)
{
    title = text;
    log_.add("dialogTexts.title " + std::string(text) + " " + encodingName(encoding));
}

void FakeDialogTexts::setControlText(int controlId, std::string_view text, TextEncoding encoding)
{
    log_.add("dialogTexts.control " + std::to_string(controlId) + " " + std::string(text) + " " +
             encodingName(encoding));
    if (const auto it = controls.find(controlId); it != controls.end()) {
        it->second = text;
    }
}

std::u16string FakeTextConversion::toUtf16(std::string_view text, TextEncoding encoding)
{
    log_.add("textConversion.toUtf16 " + encodingName(encoding));
    if (encoding == TextEncoding::utf8) {
        return decodeUtf8(text);
    }
    std::u16string out;
    for (const char c : text) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace telvia::fakes
