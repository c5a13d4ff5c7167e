#include "playback/stream/address/address_classification.h"

#include <algorithm>
#include <string>
#include <utility>

#include "common/ascii_case.h"
#include "common/utf8.h"
#include "playback/stream/address/address_resolution.h"
#include "common/percent_decoding.h"
#include "common/request_headers.h"

namespace telvia::stream {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isDriveLetter(std::string_view path)
{
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

// "\\host\share", "//host/share" and mixed forms, and the "\\?\" and "\\.\" prefixes.
// Only "\\?\C:\..." stays on this computer's disks.
bool isUncOrDevicePath(std::string_view path)
{
    if (path.size() < 2 || !isSeparator(path[0]) || !isSeparator(path[1])) {
        return false;
    }
    const bool longPathPrefix = path.size() >= 4 && path[2] == '?' && isSeparator(path[3]);
    if (longPathPrefix && isDriveLetter(path.substr(4))) {
        return false;
    }
    return true;
}

// The names Windows gives to devices in every folder ("CON", "NUL.wmv", "com1.txt").
bool isDeviceName(std::string_view component)
{
    const std::string base = asciiLower(component.substr(0, component.find('.')));
    if (base == "con" || base == "prn" || base == "aux" || base == "nul" || base == "conin$" || base == "conout$") {
        return true;
    }
    return base.size() == 4 && (base.starts_with("com") || base.starts_with("lpt")) && base[3] >= '1' &&
           base[3] <= '9';
}

// A file on this computer's disks, and only in the forms the allow-list names: a drive
// path ("C:\x", "C:/x", "\\?\C:\x"), a path from the root of the current drive ("\x") or a
// name relative to the working folder. Past its drive, no part may hold a colon (a second
// stream of a file, or a device), a wildcard or a character Windows does not allow in a
// name (the NT namespace "\??\" and "\GLOBAL??\" among them), nor be a device name.
bool isLocalFilePath(std::string_view path)
{
    if (path.starts_with("\\\\?\\") && isDriveLetter(path.substr(4))) {
        path.remove_prefix(4);
    }
    if (isDriveLetter(path)) {
        path.remove_prefix(2);
    }
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        return false;  // another computer, or a device
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find_first_of("\\/", start), path.size());
        const std::string_view component = path.substr(start, end - start);
        if (component.find_first_of(":*?\"<>|") != std::string_view::npos || isDeviceName(component)) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

// The code point of the UTF-8 sequence at `at`, and its length; a lone byte for anything
// that is not well-formed.
std::pair<char32_t, std::size_t> codePointAt(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || at + length > text.size()) {
        return {lead, 1};
    }
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return {lead, 1};
        }
        value = value << 6 | (byte(at + i) & 0x3F);
    }
    return {value, length};
}

// Characters that make an address read one way and open another: controls, spaces other
// than the plain one, invisible marks and direction overrides, and the look-alikes of the
// path separators and the colon that a conversion to the ANSI code page turns into them.
bool isUnsafeCharacter(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || c == 0x1680 || c == 0x180E) {
        return true;
    }
    if ((c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) || (c >= 0x205F && c <= 0x206F)) {
        return true;
    }
    switch (c) {
    case 0x3000:  // ideographic space
    case 0xFEFF:  // zero-width no-break space
    case 0x2044: case 0x2215: case 0x2216: case 0x29F5: case 0x29F8: case 0x29F9:  // slashes
    case 0xFE68: case 0xFF0F: case 0xFF3C:                                        // small and fullwidth solidi
    case 0xFF1A: case 0xFE55: case 0xFE13: case 0x2236:                           // colons
        return true;
    default:
        return false;
    }
}

bool holdsUnsafeCharacters(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto [c, length] = codePointAt(text, at);
        if (isUnsafeCharacter(c)) {
            return true;
        }
        at += length;
    }
    return false;
}

AddressKind classifyFileUrl(const AddressParts& parts)
{
    const std::string host = asciiLower(parts.authority.value_or(""));
    if (!host.empty() && host != "localhost") {
        return AddressKind::networkPath;
    }
    // A file has no query or fragment: what Windows would make of one is not a file name.
    if (parts.query || parts.fragment) {
        return AddressKind::networkPath;
    }
    // "file:///C:/x" names "C:/x"; an encoded "%5C%5Chost" must not slip a share through.
    std::string path = percentDecode(parts.path);
    if (path.size() >= 3 && isSeparator(path[0]) && isDriveLetter(std::string_view(path).substr(1))) {
        path.erase(0, 1);
    }
    if (isUncOrDevicePath(path) || (path.size() >= 3 && isSeparator(path[0]) && isUncOrDevicePath(path.substr(1)))) {
        return AddressKind::networkPath;
    }
    if (holdsUnsafeCharacters(path)) {
        return AddressKind::unsafeCharacters;
    }
    return isDriveLetter(path) && isLocalFilePath(path) ? AddressKind::localFile : AddressKind::networkPath;
}

AddressKind classifyHttp(const AddressParts& parts)
{
    if (parts.authority.value_or("").empty()) {
        return AddressKind::malformed;
    }
    const std::string path = asciiLower(parts.path);
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (extension == "m3u8" || extension == "m3u") {
        return AddressKind::hlsPlaylist;
    }
    if (extension == "ts") {
        return AddressKind::transportStream;
    }
    if (extension == "mp3" || extension == "aac") {
        return AddressKind::audioStream;
    }
    if (extension == "asf" || extension == "wmv" || extension == "wma" || extension == "asx") {
        return AddressKind::windowsMedia;
    }
    if (extension == "mpd") {
        return AddressKind::dashManifest;
    }
    return AddressKind::httpStream;
}

}  // namespace

AddressKind classifyAddress(std::string_view fullAddress)
{
    const AddressWithHeaders split = splitRequestHeaders(fullAddress);
    if (split.error) {
        return AddressKind::badRequestHeaders;
    }
    std::string_view address = split.address;
    while (!address.empty() && (address.front() == ' ' || address.front() == '\t')) address.remove_prefix(1);
    while (!address.empty() && (address.back() == ' ' || address.back() == '\t')) address.remove_suffix(1);
    if (address.empty()) {
        return AddressKind::malformed;
    }
    if (holdsUnsafeCharacters(address)) {
        return AddressKind::unsafeCharacters;
    }
    // "C:\x" looks like a scheme of one letter; Windows reads it as a drive.
    if (isDriveLetter(address) || !hasScheme(address)) {
        if (isUncOrDevicePath(address)) {
            return AddressKind::networkPath;
        }
        return isLocalFilePath(address) ? AddressKind::localFile : AddressKind::networkPath;
    }
    const AddressParts parts = splitAddress(address);
    const std::string scheme = asciiLower(parts.scheme.value_or(""));
    if (scheme == "http" || scheme == "https") {
        return classifyHttp(parts);
    }
    if (scheme == "file") {
        return classifyFileUrl(parts);
    }
    if (scheme == "mms" || scheme == "mmsh" || scheme == "mmst" || scheme == "mmsu") {
        return AddressKind::windowsMedia;
    }
    return AddressKind::unsupportedScheme;
}

AddressRoute routeOf(AddressKind kind)
{
    switch (kind) {
    case AddressKind::hlsPlaylist:
    case AddressKind::transportStream:
    case AddressKind::audioStream:
    case AddressKind::httpStream:
    case AddressKind::dashManifest:
        return AddressRoute::streamSource;
    case AddressKind::windowsMedia:
    case AddressKind::localFile:
        return AddressRoute::asfReader;
    case AddressKind::networkPath:
    case AddressKind::unsafeCharacters:
    case AddressKind::unsupportedScheme:
    case AddressKind::badRequestHeaders:
    case AddressKind::malformed:
        return AddressRoute::none;
    }
    return AddressRoute::none;
}

std::string_view describe(AddressKind kind)
{
    switch (kind) {
    case AddressKind::hlsPlaylist: return "hls playlist";
    case AddressKind::transportStream: return "transport stream";
    case AddressKind::audioStream: return "audio stream";
    case AddressKind::httpStream: return "http stream (sniffed)";
    case AddressKind::windowsMedia: return "windows media";
    case AddressKind::localFile: return "local file";
    case AddressKind::dashManifest: return "dash manifest";
    case AddressKind::networkPath: return "network path (refused)";
    case AddressKind::unsafeCharacters: return "unsafe characters (refused)";
    case AddressKind::unsupportedScheme: return "unsupported scheme";
    case AddressKind::badRequestHeaders: return "bad request headers";
    case AddressKind::malformed: return "malformed";
    }
    return "unknown";
}

AddressRoute routeOfAddress(std::u16string_view address)
{
    const std::optional<std::string> utf8 = utf16ToUtf8(address);
    return utf8 ? routeOf(classifyAddress(*utf8)) : AddressRoute::none;
}

}  // namespace telvia::stream
