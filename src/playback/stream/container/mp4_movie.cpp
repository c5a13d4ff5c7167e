#include "playback/stream/container/mp4_movie.h"

#include <algorithm>
#include <limits>

#include "playback/stream/container/mp4_box.h"

namespace telvia::stream {

namespace {

constexpr std::size_t visualEntryFields = 78;  // before the boxes of a VisualSampleEntry
constexpr std::size_t audioEntryFields = 28;   // before the boxes of an AudioSampleEntry

// A full box starts with its version and flags.
std::uint8_t versionOf(Mp4Cursor& cursor)
{
    const std::uint8_t version = cursor.u8();
    cursor.skip(3);
    return version;
}

std::optional<std::span<const std::uint8_t>> childOf(std::span<const std::uint8_t> contents, std::uint32_t wanted)
{
    std::optional<std::span<const std::uint8_t>> found;
    const bool fits = forEachMp4Box(contents, [&found, wanted](std::uint32_t type, std::span<const std::uint8_t> child) {
        if (type == wanted && !found) {
            found = child;
        }
        return true;
    });
    return fits ? found : std::nullopt;
}

bool isProtectedEntry(std::uint32_t type) { return type == fourCc("encv") || type == fourCc("enca"); }

// What the edit list says, in the movie's ticks and the track's.
struct EditList {
    std::uint64_t emptyDuration = 0;  // of the empty edits before the first one with media
    std::int64_t mediaStart = 0;      // where in the track's media that edit starts
};

struct TrackParts {
    std::optional<std::uint32_t> id;
    EditList edits;
    std::uint32_t handler = 0;
    std::uint32_t timescale = 0;
    std::optional<std::span<const std::uint8_t>> sampleDescriptions;
};

void readVideoEntry(std::uint32_t type, std::span<const std::uint8_t> entry, Mp4Track& track)
{
    if ((type != fourCc("avc1") && type != fourCc("avc3")) || entry.size() < visualEntryFields) {
        return;
    }
    const auto avcC = childOf(entry.subspan(visualEntryFields), fourCc("avcC"));
    if (!avcC) {
        return;
    }
    if (std::optional<AvcConfig> config = parseAvcConfig(*avcC)) {
        track.video = std::move(*config);
        track.kind = StreamTrackKind::h264;
    }
}

void readAudioEntry(std::uint32_t type, std::span<const std::uint8_t> entry, Mp4Track& track)
{
    if (type != fourCc("mp4a")) {
        return;
    }
    Mp4Cursor cursor(entry);
    cursor.skip(8);  // reserved, data reference
    const std::uint16_t version = cursor.u16();
    cursor.skip(6);
    const std::uint16_t channels = cursor.u16();
    cursor.skip(6);
    const std::uint32_t rate = cursor.u32() >> 16;
    // The older sound descriptions put more fields before the boxes.
    const std::size_t boxesAt = audioEntryFields + (version == 1 ? 16 : version == 2 ? 36 : 0);
    if (cursor.failed() || entry.size() < boxesAt) {
        return;
    }
    const auto esds = childOf(entry.subspan(boxesAt), fourCc("esds"));
    if (!esds) {
        return;
    }
    if (const std::optional<Mp4AudioConfig> config = parseEsds(*esds, rate, channels)) {
        track.audio = *config;
        track.kind = config->kind;
    }
}

// The first sample description decides; a track whose descriptions change on the way is
// not something live streams do.
bool readSampleDescriptions(std::span<const std::uint8_t> stsd, std::uint32_t handler, Mp4Track& track)
{
    Mp4Cursor cursor(stsd);
    (void)versionOf(cursor);
    const std::uint32_t count = cursor.u32();
    if (cursor.failed()) {
        return false;
    }
    bool first = true;
    return count == 0 || forEachMp4Box(stsd.subspan(cursor.position()), [&](std::uint32_t type, std::span<const std::uint8_t> entry) {
        track.encrypted = track.encrypted || isProtectedEntry(type) || childOf(entry, fourCc("sinf")).has_value();
        if (first && !track.encrypted) {
            if (handler == fourCc("vide")) {
                readVideoEntry(type, entry, track);
            } else if (handler == fourCc("soun")) {
                readAudioEntry(type, entry, track);
            }
        }
        first = false;
        return true;
    });
}

// The boxes of mdia, minf and stbl, looked into in turn.
bool readMedia(std::span<const std::uint8_t> mdia, TrackParts& parts)
{
    return forEachMp4Box(mdia, [&parts](std::uint32_t type, std::span<const std::uint8_t> box) {
        Mp4Cursor cursor(box);
        if (type == fourCc("mdhd")) {
            cursor.skip(versionOf(cursor) == 1 ? 16 : 8);  // creation and modification times
            parts.timescale = cursor.u32();
            return !cursor.failed();
        }
        if (type == fourCc("hdlr")) {
            (void)versionOf(cursor);
            cursor.skip(4);
            parts.handler = cursor.u32();
            return !cursor.failed();
        }
        if (type == fourCc("minf") || type == fourCc("stbl")) {
            return readMedia(box, parts);
        }
        if (type == fourCc("stsd")) {
            parts.sampleDescriptions = box;
        }
        return true;
    });
}

// The empty edits up to the first edit that shows media, and where that one starts; later
// edits (rare in fragmented files) are left to the samples' own times.
bool readEditList(std::span<const std::uint8_t> elst, EditList& edits)
{
    Mp4Cursor cursor(elst);
    const bool large = versionOf(cursor) == 1;
    const std::uint32_t count = cursor.u32();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t duration = large ? cursor.u64() : cursor.u32();
        const std::int64_t start = large ? static_cast<std::int64_t>(cursor.u64())
                                         : static_cast<std::int64_t>(static_cast<std::int32_t>(cursor.u32()));
        cursor.skip(4);  // the rate
        if (cursor.failed()) {
            return false;
        }
        if (start != -1) {
            edits.mediaStart = start;
            return true;
        }
        edits.emptyDuration = duration > std::numeric_limits<std::uint64_t>::max() - edits.emptyDuration
                                  ? std::numeric_limits<std::uint64_t>::max()
                                  : edits.emptyDuration + duration;
    }
    return true;
}

// The shift in the track's ticks; none where the values are beyond any stream's (half a
// year of delay), which would only wrap the clock.
std::int64_t shiftOf(const EditList& edits, std::uint32_t movieTimescale, std::uint32_t trackTimescale)
{
    constexpr std::uint64_t largestSeconds = std::uint64_t{1} << 24;
    constexpr std::int64_t largestStart = std::int64_t{1} << 56;
    if (edits.mediaStart < 0 || edits.mediaStart > largestStart) {
        return 0;
    }
    std::uint64_t delay = 0;
    if (movieTimescale != 0) {
        if (edits.emptyDuration / movieTimescale >= largestSeconds) {
            return 0;
        }
        delay = edits.emptyDuration / movieTimescale * trackTimescale +
                edits.emptyDuration % movieTimescale * trackTimescale / movieTimescale;
    }
    return static_cast<std::int64_t>(delay) - edits.mediaStart;
}

std::optional<Mp4Track> readTrack(std::span<const std::uint8_t> trak, std::uint32_t movieTimescale)
{
    TrackParts parts;
    const bool fits = forEachMp4Box(trak, [&parts](std::uint32_t type, std::span<const std::uint8_t> box) {
        if (type == fourCc("tkhd")) {
            Mp4Cursor cursor(box);
            cursor.skip(versionOf(cursor) == 1 ? 16 : 8);
            parts.id = cursor.u32();
            return !cursor.failed();
        }
        if (type == fourCc("edts")) {
            const auto elst = childOf(box, fourCc("elst"));
            return !elst || readEditList(*elst, parts.edits);
        }
        return type != fourCc("mdia") || readMedia(box, parts);
    });
    if (!fits || !parts.id) {
        return std::nullopt;
    }
    Mp4Track track;
    track.id = *parts.id;
    track.timescale = parts.timescale;
    if (parts.sampleDescriptions && !readSampleDescriptions(*parts.sampleDescriptions, parts.handler, track)) {
        return std::nullopt;
    }
    if (track.timescale == 0 || track.encrypted) {
        track.kind.reset();  // samples without a clock, or without the key, cannot be played
    } else {
        track.presentationShift = shiftOf(parts.edits, movieTimescale, track.timescale);
    }
    return track;
}

bool readTrackDefaults(std::span<const std::uint8_t> mvex, Mp4Movie& movie)
{
    return forEachMp4Box(mvex, [&movie](std::uint32_t type, std::span<const std::uint8_t> box) {
        if (type != fourCc("trex")) {
            return true;
        }
        Mp4Cursor cursor(box);
        (void)versionOf(cursor);
        const std::uint32_t id = cursor.u32();
        cursor.skip(4);  // the sample description: the first is the one read
        Mp4SampleDefaults defaults;
        defaults.duration = cursor.u32();
        defaults.size = cursor.u32();
        defaults.flags = cursor.u32();
        if (cursor.failed()) {
            return false;
        }
        for (Mp4Track& track : movie.tracks) {
            if (track.id == id) {
                track.defaults = defaults;
            }
        }
        return true;
    });
}

}  // namespace

std::optional<Mp4Movie> parseMp4Movie(std::span<const std::uint8_t> contents)
{
    Mp4Movie movie;
    // The movie's clock, which the edit lists count their empty edits in.
    std::uint32_t movieTimescale = 0;
    if (const auto mvhd = childOf(contents, fourCc("mvhd"))) {
        Mp4Cursor cursor(*mvhd);
        cursor.skip(versionOf(cursor) == 1 ? 16 : 8);
        movieTimescale = cursor.u32();
    }
    std::optional<std::span<const std::uint8_t>> mvex;
    const bool fits = forEachMp4Box(contents, [&](std::uint32_t type, std::span<const std::uint8_t> box) {
        if (type == fourCc("trak")) {
            std::optional<Mp4Track> track = readTrack(box, movieTimescale);
            if (!track || movie.tracks.size() == mp4TrackLimit) {
                return false;
            }
            // A second track with the same id could never be told apart in the fragments.
            const bool known = std::any_of(movie.tracks.begin(), movie.tracks.end(),
                                           [&track](const Mp4Track& other) { return other.id == track->id; });
            if (!known) {
                movie.tracks.push_back(std::move(*track));
            }
        } else if (type == fourCc("mvex")) {
            mvex = box;
        } else if (type == fourCc("pssh")) {
            movie.encrypted = true;
        }
        return true;
    });
    // The defaults may come before the tracks they belong to.
    if (!fits || (mvex && !readTrackDefaults(*mvex, movie))) {
        return std::nullopt;
    }
    movie.encrypted = movie.encrypted || std::any_of(movie.tracks.begin(), movie.tracks.end(),
                                                     [](const Mp4Track& track) { return track.encrypted; });
    return movie;
}

}  // namespace telvia::stream
