#include "playback/stream/address/address_classification.h"

#include <string>

#include "common/utf8.h"
#include "playback/stream/address/address_resolution.h"
#include "playback/stream/address/percent_decoding.h"
#include "playback/stream/address/request_headers.h"

namespace telvia::stream {

namespace {

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

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

AddressKind classifyFileUrl(const AddressParts& parts)
{
    const std::string host = lower(parts.authority.value_or(""));
    if (!host.empty() && host != "localhost") {
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
    return AddressKind::localFile;
}

AddressKind classifyHttp(const AddressParts& parts)
{
    if (parts.authority.value_or("").empty()) {
        return AddressKind::malformed;
    }
    const std::string path = lower(parts.path);
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
    // "C:\x" looks like a scheme of one letter; Windows reads it as a drive.
    if (isDriveLetter(address)) {
        return AddressKind::localFile;
    }
    if (isUncOrDevicePath(address)) {
        return AddressKind::networkPath;
    }
    if (!hasScheme(address)) {
        return AddressKind::localFile;
    }
    const AddressParts parts = splitAddress(address);
    const std::string scheme = lower(parts.scheme.value_or(""));
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
        return AddressRoute::streamSource;
    case AddressKind::windowsMedia:
    case AddressKind::localFile:
        return AddressRoute::asfReader;
    case AddressKind::dashManifest:
    case AddressKind::networkPath:
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
