// Fuzz target for the DASH manifest reader and what consumes its result: whatever the
// body holds, the XML reader keeps to its limits, the manifest reader answers with a
// manifest or an error, every address it gives is absolute, the segments of every
// representation run forward in time with durations of no less than zero, the choice
// names real representations, and the scheduler, finished or live, asks only for
// absolute addresses. The same bytes read as a segment index give contiguous references.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>
#include <variant>

#include "playback/stream/address/address_resolution.h"
#include "playback/stream/dash/dash_manifest.h"
#include "playback/stream/dash/dash_scheduler.h"
#include "playback/stream/dash/representation_choice.h"
#include "playback/stream/dash/segment_index.h"
#include "playback/stream/dash/sidx_reader.h"
#include "playback/stream/dash/xml_reader.h"

namespace {

using namespace telvia::stream;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "dash_manifest_fuzz: %s\n", what);
        std::abort();
    }
}

std::size_t countElements(const XmlElement& element, std::size_t depth, std::size_t& deepest)
{
    deepest = depth > deepest ? depth : deepest;
    std::size_t count = 1;
    for (const XmlElement& child : element.children) {
        count += countElements(child, depth + 1, deepest);
    }
    return count;
}

void checkXml(std::string_view text)
{
    const XmlLimits limits;
    const XmlParseResult result = parseXml(text, limits);
    if (const auto* root = std::get_if<XmlElement>(&result)) {
        std::size_t deepest = 0;
        check(countElements(*root, 1, deepest) <= limits.elements, "more elements than the limit");
        check(deepest <= limits.depth, "deeper than the limit");
    } else {
        check(!describe(std::get<XmlParseError>(result).error).empty(), "XML error without a description");
    }
}

void checkSegments(const DashPeriod& period, const DashRepresentation& representation, bool dynamic)
{
    check(hasScheme(representation.segments.base), "base address is not absolute");
    const auto made = SegmentIndex::make(period, representation, dynamic);
    const auto* index = std::get_if<SegmentIndex>(&made);
    if (index == nullptr) {
        return;
    }
    std::int64_t previousStart = INT64_MIN;
    for (std::uint64_t i = 0; i < 64; ++i) {
        const auto segment = index->at(i);
        if (!segment) {
            break;
        }
        check(hasScheme(segment->media.address), "segment address is not absolute");
        check(segment->durationMs >= 0, "negative duration");
        check(segment->startMs >= previousStart, "segments run backwards");
        previousStart = segment->startMs;
        if (const auto found = index->indexAt(segment->startMs)) {
            check(*found <= i, "a segment's start found after it");
        }
    }
}

void schedule(const DashManifest& manifest, DashTrack track)
{
    using std::chrono::milliseconds;
    milliseconds now{manifest.availabilityStartTimeMs.value_or(0) + 3'600'000};
    DashScheduler scheduler(manifest, track, now);
    for (int round = 0; round < 64; ++round) {
        const DashStep step = scheduler.next(now);
        switch (step.kind) {
        case DashStep::Kind::fetchSegment:
            check(step.segment.has_value() && hasScheme(step.segment->media.address), "bad segment step");
            if (round % 3 == 2) {
                scheduler.segmentFailed(step.segment->number, FetchFailure::notFound, now);
            } else {
                scheduler.segmentLoaded(step.segment->number, now);
            }
            break;
        case DashStep::Kind::fetchInitialization:
            check(step.resource.has_value() && hasScheme(step.resource->address), "bad initialization step");
            scheduler.initializationLoaded();
            break;
        case DashStep::Kind::fetchIndex:
            check(step.resource.has_value() && hasScheme(step.resource->address), "bad index step");
            scheduler.indexFailed(now);
            break;
        case DashStep::Kind::fetchManifest:
            scheduler.manifestLoaded(manifest, now);
            break;
        case DashStep::Kind::wait:
            check(step.until > now, "waits for a time already past");
            now = step.until;
            break;
        case DashStep::Kind::finished:
            return;
        case DashStep::Kind::failed:
            check(step.failure.has_value(), "failed without a reason");
            return;
        }
    }
}

void checkManifest(const DashManifest& manifest)
{
    for (const DashUtcTiming& timing : manifest.utcTimings) {
        check(timing.scheme == DashClockScheme::direct || hasScheme(timing.value), "time address is not absolute");
    }
    for (const DashPeriod& period : manifest.periods) {
        for (const DashAdaptationSet& set : period.adaptationSets) {
            for (const DashRepresentation& representation : set.representations) {
                checkSegments(period, representation, manifest.dynamic);
            }
        }
        const auto choice = chooseTracks(period);
        if (const auto* chosen = std::get_if<DashChoice>(&choice)) {
            for (const DashTrackChoice* track : {&chosen->video, &chosen->audio}) {
                for (const std::size_t i : track->order) {
                    check(track->set != nullptr && i < track->set->representations.size(), "choice names nothing");
                }
            }
        }
    }
    schedule(manifest, DashTrack::video);
    schedule(manifest, DashTrack::audio);
}

void checkIndex(std::span<const std::uint8_t> bytes)
{
    const SidxResult result = readSegmentIndex(bytes, 1000);
    if (const auto* box = std::get_if<SegmentIndexBox>(&result)) {
        for (std::size_t i = 1; i < box->references.size(); ++i) {
            const SidxReference& previous = box->references[i - 1];
            check(box->references[i].offset == previous.offset + previous.size, "references not contiguous");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkXml(text);
    checkIndex(std::span<const std::uint8_t>(data, size));
    const DashParseResult result = parseDashManifest(text, "https://cdn.example/live/chan/manifest.mpd?t=1");
    if (const auto* manifest = std::get_if<DashManifest>(&result)) {
        checkManifest(*manifest);
    } else {
        check(!describe(std::get<DashParseError>(result).error).empty(), "error without a description");
    }
    return 0;
}
