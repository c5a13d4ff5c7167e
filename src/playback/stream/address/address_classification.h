// Which source opens a channel's address: the stream source of our own (HLS, DASH,
// transport streams and radio over HTTP), the system's ASF reader (Windows Media and local files),
// or none. Addresses that name another computer's file share are refused: opening one
// makes Windows sign in to that computer with the user's credentials. Files are taken by an
// allow-list of the forms that stay on this computer's disks, and an address holding a
// control character, an invisible or unusual space or a look-alike of a path separator
// anywhere is refused, since what Windows makes of those is not what it shows.
#pragma once

#include <cstdint>
#include <string_view>

namespace telvia::stream {

enum class AddressKind : std::uint8_t {
    hlsPlaylist,        // http(s), path ending in .m3u8 or .m3u
    transportStream,    // http(s), .ts
    audioStream,        // http(s), .mp3, .aac
    httpStream,         // http(s) with nothing telling in the path: the body decides
    windowsMedia,       // mms:// and the like, or http(s) ending in .asf, .wmv, .wma, .asx
    localFile,          // a drive letter, a rooted or relative name, file:///C:/...
    dashManifest,       // http(s), .mpd
    networkPath,        // \\host\share, //host/share, file://host/..., device and NT paths
    unsafeCharacters,   // control characters, Unicode spaces, separator look-alikes
    unsupportedScheme,  // rtmp://, rtsp://, udp://, ...
    badRequestHeaders,  // a "|Name=value" suffix that does not parse
    malformed,          // empty, or http(s) without a host
};

enum class AddressRoute : std::uint8_t {
    streamSource,  // our own source filter
    asfReader,     // the system's Windows Media ASF reader
    none,          // nothing opens it: the connect fails
};

// The address may carry a request-header suffix after "|".
[[nodiscard]] AddressKind classifyAddress(std::string_view address);

[[nodiscard]] AddressRoute routeOf(AddressKind kind);

// The route of an address as the catalogue stores it; text that is not valid UTF-16 has none.
[[nodiscard]] AddressRoute routeOfAddress(std::u16string_view address);

// A short lower-case name of the kind, for reports.
[[nodiscard]] std::string_view describe(AddressKind kind);

}  // namespace telvia::stream
