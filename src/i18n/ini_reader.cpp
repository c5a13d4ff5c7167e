#include "i18n/ini_reader.h"

#include <algorithm>

#include "common/utf8.h"

namespace telvia {

namespace {

constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view utf16ByteOrderMark = "\xFF\xFE";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u; }

std::string finishValue(std::string_view raw, TextEncoding encoding)
{
    std::string_view text = trimBlanks(raw.substr(0, raw.find('\0')));
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
        text.back() == text.front()) {
        text = text.substr(1, text.size() - 2);
    }
    if (text.size() > iniValueMaxLength) {
        std::size_t cut = iniValueMaxLength;
        // A UTF-8 text loses the whole character that straddles the cut, not half of it.
        if (encoding == TextEncoding::utf8) {
            while (cut > 0 && isUtf8Continuation(text[cut])) {
                --cut;
            }
        }
        text = text.substr(0, cut);
    }
    return std::string(text);
}

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// UTF-16LE bytes as UTF-8, as the system converts a "Unicode" file's texts for display:
// nothing is refused, a unit that cannot be shown becomes U+FFFD.
std::string utf16leToUtf8(std::string_view bytes)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                         (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (isHighSurrogate(units[i]) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
            ++i;
        } else if (isHighSurrogate(units[i]) || isLowSurrogate(units[i])) {
            units[i] = u'\uFFFD';
        }
    }
    return utf16ToUtf8(units).value_or(std::string());
}

}  // namespace

IniFile::IniFile(std::string_view bytes)
{
    if (bytes.starts_with(utf16ByteOrderMark)) {
        converted_ = utf16leToUtf8(bytes.substr(utf16ByteOrderMark.size()));
        bytes = converted_;
        encoding_ = TextEncoding::utf8;
    } else if (bytes.starts_with(utf8ByteOrderMark)) {
        bytes.remove_prefix(utf8ByteOrderMark.size());
        encoding_ = TextEncoding::utf8;
    }

    std::size_t position = 0;
    while (position < bytes.size()) {
        const std::size_t end = std::min(bytes.find_first_of("\r\n", position), bytes.size());
        const std::string_view line = trimBlanks(bytes.substr(position, end - position));
        position = end + 1;
        if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') {
            ++position;
        }

        if (line.starts_with('[')) {
            if (const std::size_t close = line.find(']'); close != std::string_view::npos) {
                sections_.push_back({trimBlanks(line.substr(1, close - 1)), {}});
                continue;
            }
        }
        // Lines before the first section belong to none and are never asked for.
        if (const std::size_t equals = line.find('=');
            equals != std::string_view::npos && !sections_.empty()) {
            sections_.back().entries.push_back(
                {trimBlanks(line.substr(0, equals)), line.substr(equals + 1)});
        }
    }
}

std::string IniFile::value(std::string_view section, std::string_view key) const
{
    const auto found = std::find_if(sections_.begin(), sections_.end(), [&](const Section& s) {
        return equalIgnoringAsciiCase(s.name, section);
    });
    if (found == sections_.end()) {
        return {};
    }
    for (const Entry& entry : found->entries) {
        if (equalIgnoringAsciiCase(entry.key, key)) {
            return finishValue(entry.value, encoding_);
        }
    }
    return {};
}

}  // namespace telvia
