// What an HTTP response body holds, from its first bytes and its Content-Type: the
// address alone does not say (".../play/604" may be a transport stream, a radio station
// or a playlist).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace telvia::stream {

enum class StreamFormat : std::uint8_t {
    hlsPlaylist,
    dashManifest,
    transportStream,
    mpegAudio,   // MP3 and its relatives, possibly behind an ID3 tag
    adtsAudio,   // AAC in ADTS frames
    fragmentedMp4,  // an MP4 file, or its fragments, as a live server may send them
    asf,         // Windows Media: the ASF reader's business
    unknown,     // not enough bytes to tell, or none of these
};

// How many bytes to read before asking; fewer work, but may leave the answer unknown.
inline constexpr std::size_t sniffLength = 4096;

// The bytes decide when they are conclusive; the content type decides otherwise.
[[nodiscard]] StreamFormat sniffStreamFormat(std::string_view contentType, std::span<const std::uint8_t> firstBytes);

}  // namespace telvia::stream
