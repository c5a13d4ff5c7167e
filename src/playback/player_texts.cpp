#include "playback/player_texts.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>

#include "common/utf16.h"

namespace telvia {

namespace {

constexpr std::size_t titleMaxLength = 519;    // a title buffer of 520 units
constexpr std::size_t failureMaxLength = 1023;  // a report buffer of 1024 units
constexpr std::size_t statusMaxLength = 259;    // a status buffer of 260 units

std::u16string hexLowerCase(HResult result)
{
    char digits[16];
    const auto end = std::to_chars(std::begin(digits), std::end(digits),
                                   static_cast<std::uint32_t>(result), 16).ptr;
    return asciiToUtf16(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

}  // namespace

std::u16string composeTitle(std::u16string_view productName, std::u16string_view channelName,
                            std::u16string_view status)
{
    std::u16string title(productName);
    if (!channelName.empty()) {
        title += u"  [ ";
        title += channelName;
        title += u" ]";
        if (!status.empty()) {
            title += u"  ";
            title += status;
        }
    }
    title.resize(std::min(title.size(), titleMaxLength));
    return title;
}

std::u16string failureText(std::string_view format, HResult result)
{
    std::u16string text;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format.substr(i, 2) == "%x") {
            text += hexLowerCase(result);
            ++i;
        } else {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(format[i])));
        }
    }
    text.resize(std::min(text.size(), failureMaxLength));
    return text;
}

std::u16string statusText(std::u16string status)
{
    status.resize(std::min(status.size(), statusMaxLength));
    return status;
}

}  // namespace telvia
