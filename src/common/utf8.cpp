#include "common/utf8.h"

#include <cstdint>

namespace telvia {

namespace {

bool isContinuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void appendUtf16(std::u16string& out, char32_t point)
{
    if (point < 0x10000) {
        out.push_back(static_cast<char16_t>(point));
        return;
    }
    const char32_t offset = point - 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
}

void appendUtf8(std::string& out, char32_t point)
{
    const auto put = [&out](char32_t byte) { out.push_back(static_cast<char>(byte)); };
    if (point < 0x80) {
        put(point);
    } else if (point < 0x800) {
        put(0xC0 | (point >> 6));
        put(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        put(0xE0 | (point >> 12));
        put(0x80 | ((point >> 6) & 0x3F));
        put(0x80 | (point & 0x3F));
    } else {
        put(0xF0 | (point >> 18));
        put(0x80 | ((point >> 12) & 0x3F));
        put(0x80 | ((point >> 6) & 0x3F));
        put(0x80 | (point & 0x3F));
    }
}

}  // namespace

std::optional<std::u16string> utf8ToUtf16(std::string_view bytes, std::size_t* invalidAt)
{
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 0;
        char32_t point = 0;
        char32_t lowest = 0;  // smallest code point that needs this many bytes
        if (lead < 0x80) {
            length = 1;
            point = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            point = lead & 0x1Fu;
            lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            point = lead & 0x0Fu;
            lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            point = lead & 0x07u;
            lowest = 0x10000;
        }
        // 0x80-0xC1 (continuations, overlong two-byte leads) and 0xF5-0xFF lead nothing.
        bool valid = length != 0 && bytes.size() - i >= length;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = isContinuation(next);
            point = (point << 6) | (next & 0x3Fu);
        }
        valid = valid && point >= lowest && point <= 0x10FFFF && !(point >= 0xD800 && point <= 0xDFFF);
        if (!valid) {
            if (invalidAt != nullptr) {
                *invalidAt = i;
            }
            return std::nullopt;
        }
        appendUtf16(out, point);
        i += length;
    }
    return out;
}

std::optional<std::string> utf16ToUtf8(std::u16string_view text, std::size_t* invalidAt)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        char32_t point = unit;
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            point = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00);
            ++i;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            if (invalidAt != nullptr) {
                *invalidAt = i;
            }
            return std::nullopt;
        }
        appendUtf8(out, point);
    }
    return out;
}

}  // namespace telvia
