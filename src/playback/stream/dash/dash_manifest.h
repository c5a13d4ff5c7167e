// DASH manifests (MPD): a presentation of periods played one after another, each offering
// adaptation sets of interchangeable representations. The reader resolves what the format
// lets outer levels give inner ones (base addresses, segment information, common
// attributes), so each representation says by itself where its segments are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "playback/stream/dash/xml_reader.h"

namespace telvia::stream {

struct DashByteRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;

    friend bool operator==(const DashByteRange&, const DashByteRange&) = default;
};

// An absolute address, and a part of it when only a range of its bytes is meant.
struct DashResource {
    std::string address;
    std::optional<DashByteRange> range;

    friend bool operator==(const DashResource&, const DashResource&) = default;
};

// One S element: `repeat` more segments of the same duration follow the first; -1 repeats
// up to the next entry's time, the period's end, or (in a live manifest) for as long as
// the clock allows.
struct DashTimelineEntry {
    std::uint64_t time = 0;  // in the timescale; the previous entry's end when not given
    std::uint64_t duration = 0;
    std::int64_t repeat = 0;
};

// How a representation's segments are addressed, with what outer levels gave it.
struct DashSegmentInfo {
    enum class Kind : std::uint8_t {
        wholeResource,  // no segment information: the representation's address is its one segment
        templated,      // SegmentTemplate: addresses made from the media template
        list,           // SegmentList: addresses listed
        indexed,        // SegmentBase: one resource, its segments listed by the index in `indexRange`
    };
    Kind kind = Kind::wholeResource;
    std::uint64_t timescale = 1;
    std::uint64_t presentationTimeOffset = 0;
    std::uint64_t startNumber = 1;
    std::optional<std::uint64_t> duration;   // of every segment, in the timescale
    std::vector<DashTimelineEntry> timeline; // empty: none
    std::string mediaTemplate;               // templated: relative to `base`
    std::string base;                        // the representation's base address
    std::vector<DashResource> media;         // list: resolved
    std::optional<DashResource> initialization;
    std::optional<DashByteRange> indexRange; // indexed
};

struct DashRepresentation {
    std::string id;
    std::uint64_t bandwidth = 0;
    std::string codecs;
    std::string mimeType;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t audioSamplingRate = 0;
    bool isProtected = false;  // ContentProtection on it or its adaptation set
    DashSegmentInfo segments;
};

struct DashAdaptationSet {
    std::string id;
    std::string contentType;  // as given: "video", "audio", "text", ...; may be empty
    std::string mimeType;
    std::string language;
    bool isMainRole = false;  // Role with value "main"
    std::vector<DashRepresentation> representations;
};

struct DashPeriod {
    std::string id;
    std::int64_t startMs = 0;               // from the presentation's start
    std::optional<std::int64_t> durationMs; // none: open until the manifest says more
    std::vector<DashAdaptationSet> adaptationSets;
};

enum class DashClockScheme : std::uint8_t {
    httpIso,     // the value names an address whose body is the time, ISO 8601
    httpXsDate,  // likewise, an xs:dateTime
    direct,      // the value is the time itself
};

struct DashUtcTiming {
    DashClockScheme scheme = DashClockScheme::direct;
    std::string value;  // for the fetched schemes, an absolute address
};

struct DashManifest {
    bool dynamic = false;
    std::optional<std::int64_t> availabilityStartTimeMs;  // ms since 1970
    std::optional<std::int64_t> publishTimeMs;
    std::optional<std::int64_t> mediaPresentationDurationMs;
    std::optional<std::int64_t> minimumUpdatePeriodMs;
    std::optional<std::int64_t> timeShiftBufferDepthMs;
    std::optional<std::int64_t> suggestedPresentationDelayMs;
    std::optional<std::string> location;  // where to reload it from; absolute
    std::vector<DashUtcTiming> utcTimings;  // the schemes this reader knows, in order
    std::vector<DashPeriod> periods;        // in time order
};

enum class DashError : std::uint8_t {
    notXml,             // the text is not well-formed XML, or breaks the reader's limits
    notAManifest,       // the root element is not MPD
    notAbsoluteBase,    // the manifest's own address has no scheme to resolve against
    badValue,           // a number, duration, time, range or address that does not parse
    badTemplate,        // a segment template that is malformed or cannot number its segments
    badTimeline,        // a segment timeline whose times run backwards or overflow
    missingStartTime,   // a live manifest without availabilityStartTime
    noPeriods,          // no period that can be placed in time
    tooLong,            // more periods, representations or segments than any stream needs
};

// What a manifest may hold. The segment and representation bounds are those of HLS
// playlists; hours of segments and a few dozen representations are what real ones list.
inline constexpr std::size_t dashPeriodLimit = 256;
inline constexpr std::size_t dashRepresentationLimit = 256;  // in one period, all sets together
inline constexpr std::size_t dashSegmentLimit = 20'000;      // listed for one representation
inline constexpr std::uint64_t dashTimescaleLimit = 0xFFFF'FFFF;

struct DashParseError {
    DashError error = DashError::notXml;
    std::optional<XmlError> xml;  // what was wrong with the XML, for notXml

    friend bool operator==(const DashParseError&, const DashParseError&) = default;
};

using DashParseResult = std::variant<DashManifest, DashParseError>;

// Reads a manifest body fetched from `manifestAddress`, the address after redirects, against
// which every address in it is resolved.
[[nodiscard]] DashParseResult parseDashManifest(std::string_view text, std::string_view manifestAddress);

[[nodiscard]] std::string_view describe(DashError error);

}  // namespace telvia::stream
