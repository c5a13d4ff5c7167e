// Fuzz target for the HLS playlist reader and what consumes its result: whatever the
// body holds, the reader answers with a playlist or an error, every address it gives is
// absolute, segment numbers count up by one, the variant order names real variants, the
// audio rendition chosen for a variant belongs to its group, and
// the live scheduler only ever asks for segments the playlist lists.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string_view>
#include <variant>

#include "playback/stream/address/address_resolution.h"
#include "playback/stream/hls/hls_playlist.h"
#include "playback/stream/hls/playlist_scheduler.h"
#include "playback/stream/hls/variant_choice.h"

namespace {

using namespace telvia::stream;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "hls_playlist_fuzz: %s\n", what);
        std::abort();
    }
}

void checkMaster(const HlsMasterPlaylist& master)
{
    for (const HlsVariant& variant : master.variants) {
        check(hasScheme(variant.address), "variant address is not absolute");
        if (const HlsAudioRendition* audio = audioRenditionFor(master, variant)) {
            check(audio->groupId == variant.audioGroup, "audio rendition of another group chosen");
            check(hasScheme(audio->address), "audio rendition address is not absolute");
        }
    }
    const auto order = variantOrder(master.variants);
    std::set<std::size_t> seen;
    for (const std::size_t index : order) {
        check(index < master.variants.size(), "variant order names no variant");
        check(seen.insert(index).second, "variant order names a variant twice");
        check(master.variants[index].width <= largestDecodableWidth, "too wide a variant chosen");
    }
}

void checkMedia(const HlsMediaPlaylist& media)
{
    check(media.targetDurationMs > 0, "no target duration");
    for (std::size_t i = 0; i < media.segments.size(); ++i) {
        const HlsSegment& segment = media.segments[i];
        check(hasScheme(segment.address), "segment address is not absolute");
        check(segment.sequence == media.mediaSequence + i, "segment numbers do not count up");
        check(segment.durationMs >= 0, "negative duration");
        check(!segment.key || hasScheme(*segment.key->address), "key address is not absolute");
    }
    // A few scheduling rounds in which every other fetch fails.
    using std::chrono::milliseconds;
    PlaylistScheduler scheduler(media, milliseconds{0});
    milliseconds now{0};
    for (int round = 0; round < 64; ++round) {
        const SchedulerStep step = scheduler.next(now);
        if (step.kind == SchedulerStep::Kind::fetchSegment) {
            check(step.segment.has_value(), "segment step without a segment");
            const std::uint64_t sequence = step.segment->sequence;
            check(sequence >= media.mediaSequence && sequence - media.mediaSequence < media.segments.size(),
                  "scheduler asked for a segment the playlist does not list");
            if (round % 2 == 0) {
                scheduler.segmentLoaded(sequence);
            } else {
                scheduler.segmentFailed(sequence, FetchFailure::notFound, now);
            }
        } else if (step.kind == SchedulerStep::Kind::fetchPlaylist) {
            scheduler.playlistLoaded(media, now);
        } else if (step.kind == SchedulerStep::Kind::wait) {
            check(step.until > now, "scheduler waits for a time already past");
            now = step.until;
        } else {
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const HlsParseResult result = parseHlsPlaylist(text, "https://cdn.example/live/chan/index.m3u8?t=1");
    if (const auto* master = std::get_if<HlsMasterPlaylist>(&result)) {
        checkMaster(*master);
    } else if (const auto* media = std::get_if<HlsMediaPlaylist>(&result)) {
        checkMedia(*media);
    } else {
        check(!describe(std::get<HlsParseError>(result).error).empty(), "error without a description");
    }
    return 0;
}
