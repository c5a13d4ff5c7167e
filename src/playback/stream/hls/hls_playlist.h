// HLS playlists: a master playlist lists variants of one programme, a media playlist
// lists the segments of one variant. Every address in them is resolved against the
// playlist's own address when it is read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "playback/stream/hls/hls_variables.h"

namespace telvia::stream {

struct HlsVariant {
    std::string address;
    std::uint64_t bandwidth = 0;  // bits per second; 0 when the playlist does not say
    std::uint32_t width = 0;      // 0 x 0 when the playlist gives no resolution
    std::uint32_t height = 0;
    std::string codecs;           // as listed, e.g. "avc1.64001f,mp4a.40.2"; may be empty
    std::string audioGroup;       // the group of audio renditions it plays with; may be empty
};

// An alternative audio track of the programme (#EXT-X-MEDIA with TYPE=AUDIO).
struct HlsAudioRendition {
    std::string groupId;
    std::string name;
    std::string language;   // may be empty
    bool isDefault = false;
    bool autoselect = false;
    std::string address;    // its media playlist; empty: the audio is in the variant's segments
};

struct HlsMasterPlaylist {
    std::vector<HlsVariant> variants;         // in playlist order
    std::vector<HlsAudioRendition> audio;     // in playlist order
    std::vector<HlsVariable> variables;       // what its media playlists may import
};

// AES-128 in CBC mode over a whole segment, with PKCS#7 padding.
struct HlsSegmentKey {
    // Where the 16-byte key is fetched; shared by every segment the same key tag covers.
    std::shared_ptr<const std::string> address;
    std::array<std::uint8_t, 16> iv{};  // given, or the segment's sequence number big-endian
};

struct HlsByteRange {
    std::uint64_t length = 0;
    std::uint64_t offset = 0;
};

// The media initialisation section the segments after an #EXT-X-MAP tag follow: the
// movie of fragmented MP4 segments. Every segment it applies to shares it.
struct HlsInitSection {
    std::string address;
    std::optional<HlsByteRange> range;  // none: the whole resource
    std::optional<HlsSegmentKey> key;   // the key in force at the tag

    // The same section, which need not be fetched and read again.
    [[nodiscard]] bool sameAs(const HlsInitSection& other) const
    {
        return address == other.address && range.has_value() == other.range.has_value() &&
               (!range || (range->length == other.range->length && range->offset == other.range->offset));
    }
};

struct HlsSegment {
    std::string address;
    std::uint64_t sequence = 0;
    std::int64_t durationMs = 0;
    bool discontinuity = false;          // timestamps may restart here
    bool gap = false;                    // missing: not to be asked for (#EXT-X-GAP)
    std::optional<HlsSegmentKey> key;    // none: the segment is not encrypted
    std::optional<HlsByteRange> range;   // none: the whole resource
    // Fragmented MP4 segments follow this section; none: the segments are MPEG-TS or
    // packed audio.
    std::shared_ptr<const HlsInitSection> map;
};

struct HlsMediaPlaylist {
    std::int64_t targetDurationMs = 0;
    std::uint64_t mediaSequence = 0;     // sequence number of the first segment
    bool endList = false;                // no segments will be added: an end mark, or of type VOD
    std::vector<HlsSegment> segments;
};

enum class HlsError : std::uint8_t {
    notAPlaylist,            // the first line is not #EXTM3U
    notAbsoluteBase,         // the playlist's own address has no scheme to resolve against
    mixedPlaylist,           // both variants and segments
    emptyPlaylist,           // neither variants nor segments, and no end mark
    badTagValue,             // a number, duration or resolution that does not parse
    badAttributeList,        // a tag's NAME=value list is malformed
    missingAddress,          // #EXTINF or #EXT-X-STREAM-INF with no address line after it
    unsupportedEncryption,   // a key method other than NONE and AES-128
    keyWithoutAddress,       // AES-128 without URI
    badKeyIv,                // IV is not 0x followed by 1 to 32 hex digits
    initSectionWithoutIv,    // an encrypted #EXT-X-MAP section whose key gives no IV
    sequenceOverflow,        // segment numbers run past 2^64
    tooLong,                 // more lines, entries or characters than any stream needs
    badVariable,             // a variable defined twice or badly, not importable, or referred to undefined
};

// What a playlist may hold. Real playlists stay far below: hours of segments in an event
// playlist, a few dozen variants, addresses of a few kilobytes with their signatures.
inline constexpr std::size_t hlsSegmentLimit = 20'000;
inline constexpr std::size_t hlsVariantLimit = 256;  // also of audio renditions
inline constexpr std::size_t hlsLineLimit = 16 * 1024;  // characters of one line, addresses included

struct HlsParseError {
    HlsError error = HlsError::notAPlaylist;
    std::size_t line = 0;  // 1-based; 0 for the playlist as a whole

    friend bool operator==(const HlsParseError&, const HlsParseError&) = default;
};

using HlsParseResult = std::variant<HlsMasterPlaylist, HlsMediaPlaylist, HlsParseError>;

// Reads a playlist body (UTF-8, with or without byte-order mark, LF or CRLF) fetched
// from playlistAddress, the address after redirects. A media playlist of a multivariant
// playlist gets that one's variables to import; any other playlist none.
[[nodiscard]] HlsParseResult parseHlsPlaylist(std::string_view text, std::string_view playlistAddress,
                                              const std::vector<HlsVariable>* imports = nullptr);

[[nodiscard]] std::string_view describe(HlsError error);

}  // namespace telvia::stream
