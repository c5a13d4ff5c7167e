// Fuzz target for the fragmented MP4 reader and the box parsers behind it: fed in pieces
// whose sizes come from the input, it never reads out of bounds, every AAC unit is exactly
// one ADTS frame, every MPEG audio unit one frame, every picture in start-code form, every
// timestamp within 33 bits, each unit of a track listed as its kind, and encrypted content
// hands nothing on.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "playback/stream/container/adts_header.h"
#include "playback/stream/container/fragmented_mp4_reader.h"
#include "playback/stream/container/mpeg_audio_header.h"

namespace {

using namespace telvia::stream;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "mp4_reader_fuzz: %s\n", what);
        std::abort();
    }
}

// What the reader lists before a piece and after it: a unit comes from a movie listed at
// one of the two times, as no piece (at most 97 bytes) holds both the end of one movie box
// and a whole media data box after a movie it replaced.
struct Listing {
    std::vector<StreamDescription> streams;
    bool encrypted = false;
};

Listing listingOf(const FragmentedMp4Reader& reader)
{
    Listing listing;
    if (const auto program = reader.program()) {
        listing.streams.assign(program->begin(), program->end());
    }
    listing.encrypted = reader.encrypted();
    return listing;
}

bool lists(const Listing& listing, const AccessUnit& unit)
{
    return std::any_of(listing.streams.begin(), listing.streams.end(),
                       [&unit](const StreamDescription& s) { return s.id == unit.stream && s.kind == unit.kind; });
}

void checkUnits(const Listing& before, const Listing& after, const std::vector<AccessUnit>& units)
{
    check(units.empty() || !before.encrypted || !after.encrypted, "encrypted samples handed on");
    for (const AccessUnit& unit : units) {
        check(!unit.data.empty(), "empty access unit");
        check(unit.pts && *unit.pts < streamClockModulus, "PTS missing or beyond 33 bits");
        check(!unit.dts || *unit.dts < streamClockModulus, "DTS beyond 33 bits");
        check(lists(before, unit) || lists(after, unit), "a unit of a stream the program does not list as its kind");
        if (unit.kind == StreamTrackKind::aacAdts) {
            const auto header = parseAdtsHeader(unit.data);
            check(header && header->frameLength == unit.data.size(), "AAC unit is not one ADTS frame");
        } else if (unit.kind == StreamTrackKind::mpegAudio) {
            const auto header = parseMpegAudioHeader(unit.data);
            check(header && header->frameLength == unit.data.size(), "audio unit is not one MPEG audio frame");
        } else {
            check(unit.data.size() > 4 && unit.data[0] == 0 && unit.data[1] == 0 && unit.data[2] == 0 && unit.data[3] == 1,
                  "picture not in start-code form");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    // Small limits, so that the fuzzer reaches the boxes that outgrow them.
    Mp4BoxLimits limits;
    limits.movie = 64 * 1024;
    limits.fragment = 16 * 1024;
    limits.sample = 64 * 1024;
    FragmentedMp4Reader reader(limits);
    const std::size_t piece = size == 0 ? 1 : data[size - 1] % 97 + 1;
    for (std::size_t at = 0; at < size; at += piece) {
        const Listing before = listingOf(reader);
        reader.feed(bytes.subspan(at, std::min(piece, size - at)));
        checkUnits(before, listingOf(reader), reader.takeAccessUnits());
        if (size > 1 && at / piece == data[size - 2] % 32) {
            const Listing beforeEnd = listingOf(reader);
            reader.finish();  // a segment ends somewhere inside
            checkUnits(beforeEnd, listingOf(reader), reader.takeAccessUnits());
        }
    }
    const Listing beforeEnd = listingOf(reader);
    reader.finish();
    checkUnits(beforeEnd, listingOf(reader), reader.takeAccessUnits());
    return 0;
}
