#include "listing.h"

#include <cstdio>

#include "common/utf8.h"

namespace telvia::tools {

namespace {

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Units that change what a terminal shows beyond their own glyph.
bool isFormatControl(char16_t unit)
{
    return (unit >= 0x80 && unit <= 0x9F) || unit == 0x061C || unit == 0x200E || unit == 0x200F ||
           (unit >= 0x2028 && unit <= 0x202E) || (unit >= 0x2066 && unit <= 0x2069);
}

std::string escaped(const char* format, unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string escapedText(std::u16string_view text, bool escapeBackslash)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            out += utf16ToUtf8(text.substr(i, 2)).value_or("");
            ++i;
        } else if (unit == u'\\' && escapeBackslash) {
            out += "\\\\";
        } else if (unit == u'\t') {
            out += "\\t";
        } else if (unit == u'\n') {
            out += "\\n";
        } else if (unit == u'\r') {
            out += "\\r";
        } else if (unit < 0x20 || unit == 0x7F) {
            out += escaped("\\x%02X", unit);
        } else if (isFormatControl(unit) || isHighSurrogate(unit) || isLowSurrogate(unit)) {
            out += escaped("\\u%04X", unit);
        } else {
            out += utf16ToUtf8(text.substr(i, 1)).value_or("");
        }
    }
    return out;
}

}  // namespace

std::string listingText(std::u16string_view text) { return escapedText(text, true); }

std::string fileNameText(std::u16string_view name) { return escapedText(name, false); }

}  // namespace telvia::tools
