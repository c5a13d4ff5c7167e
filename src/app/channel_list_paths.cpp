#include "app/channel_list_paths.h"

#include <array>

namespace telvia {

namespace {

constexpr char16_t asciiLower(char16_t unit)
{
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit - u'A' + u'a') : unit;
}

// Whether the text ends with the suffix, which is in small letters.
bool endsWithIgnoringCase(std::u16string_view text, std::u16string_view suffix)
{
    if (text.size() < suffix.size()) {
        return false;
    }
    const std::u16string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        if (asciiLower(tail[i]) != suffix[i]) {
            return false;
        }
    }
    return true;
}

constexpr bool isSeparator(char16_t unit)
{
    return unit == u'\\' || unit == u'/';
}

constexpr std::array<std::u16string_view, 3> listExtensions = {u".qcl", u".m3u", u".m3u8"};

}  // namespace

bool isChannelListPath(std::u16string_view path)
{
    if (path.empty() || path.size() > maxListPathLength) {
        return false;
    }
    for (const char16_t unit : path) {
        if (unit < 0x20 || unit == 0x7F) {
            return false;
        }
    }
    for (const std::u16string_view extension : listExtensions) {
        if (endsWithIgnoringCase(path, extension)) {
            const std::u16string_view rest = path.substr(0, path.size() - extension.size());
            return !rest.empty() && !isSeparator(rest.back()) && rest.back() != u':';
        }
    }
    return false;
}

bool isAbsolutePath(std::u16string_view path)
{
    if (path.size() >= 3 && path[1] == u':' && isSeparator(path[2])) {
        const char16_t drive = asciiLower(path[0]);
        return drive >= u'a' && drive <= u'z';
    }
    return path.size() > 2 && path[0] == u'\\' && path[1] == u'\\';
}

std::optional<std::u16string> channelListArgument(std::span<const std::u16string> arguments)
{
    for (const std::u16string& argument : arguments) {
        if (isChannelListPath(argument)) {
            return argument;
        }
    }
    return std::nullopt;
}

std::vector<std::byte> encodeListHandOver(std::u16string_view path)
{
    std::vector<std::byte> bytes;
    bytes.reserve(path.size() * 2);
    for (const char16_t unit : path) {
        bytes.push_back(static_cast<std::byte>(unit & 0xFF));
        bytes.push_back(static_cast<std::byte>(unit >> 8));
    }
    return bytes;
}

std::optional<std::u16string> decodeListHandOver(std::uintptr_t tag, std::span<const std::byte> bytes)
{
    // The size is checked before anything is copied: the count is the sender's to choose.
    if (tag != listHandOverTag || bytes.empty() || bytes.size() % 2 != 0 ||
        bytes.size() / 2 > maxListPathLength) {
        return std::nullopt;
    }
    std::u16string path(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < path.size(); ++i) {
        path[i] = static_cast<char16_t>(std::to_integer<unsigned>(bytes[2 * i]) |
                                        std::to_integer<unsigned>(bytes[2 * i + 1]) << 8);
    }
    if (!isChannelListPath(path) || !isAbsolutePath(path)) {
        return std::nullopt;
    }
    return path;
}

}  // namespace telvia
