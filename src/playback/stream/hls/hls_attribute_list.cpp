#include "playback/stream/hls/hls_attribute_list.h"

#include "common/ascii_trim.h"
#include "common/decimal_text.h"

namespace telvia::stream {

std::optional<std::vector<HlsAttribute>> parseHlsAttributeList(std::string_view text)
{
    std::vector<HlsAttribute> list;
    text = trimAscii(text, " \t");
    while (!text.empty()) {
        const std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        HlsAttribute attribute;
        attribute.name = trimAscii(text.substr(0, equals), " \t");
        if (attribute.name.empty() || attribute.name.find(',') != std::string_view::npos) {
            return std::nullopt;
        }
        text = trimAscii(text.substr(equals + 1), " \t");
        if (text.starts_with('"')) {
            const std::size_t close = text.find('"', 1);
            if (close == std::string_view::npos) {
                return std::nullopt;
            }
            attribute.value = text.substr(1, close - 1);
            attribute.quoted = true;
            text = trimAscii(text.substr(close + 1), " \t");
            if (!text.empty() && text.front() != ',') {
                return std::nullopt;
            }
        } else {
            const std::size_t comma = text.find(',');
            attribute.value = trimAscii(text.substr(0, comma), " \t");
            text = comma == std::string_view::npos ? std::string_view() : text.substr(comma);
        }
        list.push_back(attribute);
        if (!text.empty()) {
            text = trimAscii(text.substr(1), " \t");  // the comma
        }
    }
    return list;
}

const HlsAttribute* findHlsAttribute(const std::vector<HlsAttribute>& list, std::string_view name)
{
    for (const HlsAttribute& attribute : list) {
        if (attribute.name == name) {
            return &attribute;
        }
    }
    return nullptr;
}

std::optional<std::int64_t> parseSecondsAsMilliseconds(std::string_view text)
{
    constexpr std::uint64_t secondsInAYear = 366ull * 24 * 3600;
    const std::size_t dot = text.find('.');
    // ".360" is a number too, as long as some digit is there.
    const std::string_view wholeText = text.substr(0, dot);
    const bool noWholeDigits = wholeText.empty() && dot != std::string_view::npos && dot + 1 < text.size();
    const std::optional<std::uint64_t> whole = noWholeDigits ? std::optional<std::uint64_t>(0) : parseDecimal(wholeText);
    if (!whole || *whole > secondsInAYear) {
        return std::nullopt;
    }
    std::int64_t milliseconds = static_cast<std::int64_t>(*whole) * 1000;
    if (dot == std::string_view::npos) {
        return milliseconds;
    }
    const std::string_view fraction = text.substr(dot + 1);
    std::int64_t scale = 100;
    for (const char digit : fraction) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        milliseconds += (digit - '0') * scale;
        scale /= 10;
    }
    return milliseconds;
}

}  // namespace telvia::stream
