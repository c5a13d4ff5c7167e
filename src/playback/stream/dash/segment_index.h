// The segments of one representation in one period, whatever the manifest used to give
// them: a template numbered by duration or by timeline, a list, or the index of a single
// resource. Segments are made on demand by their index, so a template that numbers a day
// of two-second segments, or a live one that numbers them without end, takes no memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "playback/stream/dash/dash_manifest.h"
#include "playback/stream/dash/sidx_reader.h"

namespace telvia::stream {

struct DashSegment {
    DashResource media;
    std::uint64_t number = 0;      // the manifest's number of it ($Number$)
    std::int64_t startMs = 0;      // from the presentation's start
    std::int64_t durationMs = 0;

    friend bool operator==(const DashSegment&, const DashSegment&) = default;
};

enum class DashIndexError : std::uint8_t {
    unknownLength,  // a finished presentation whose period and segments both leave the end open
    badIndex,       // the segment index box is missing, malformed or refers to further ones
    overflow,       // times or numbers beyond what 64 bits hold
};

class SegmentIndex {
public:
    // The segments a manifest lists or numbers for the representation. An indexed one
    // (SegmentBase) needs its index box read first: use fromIndexBox.
    [[nodiscard]] static std::variant<SegmentIndex, DashIndexError> make(const DashPeriod& period,
                                                                         const DashRepresentation& representation,
                                                                         bool dynamic);
    // The segments of an indexed representation, from the index box fetched at its index range.
    [[nodiscard]] static std::variant<SegmentIndex, DashIndexError> fromIndexBox(
        const DashPeriod& period, const DashRepresentation& representation, const SegmentIndexBox& box);

    // How many segments there are; none when they go on as long as a live clock allows.
    [[nodiscard]] std::optional<std::uint64_t> count() const { return count_; }
    // The segment at `index` (from 0); none past the end.
    [[nodiscard]] std::optional<DashSegment> at(std::uint64_t index) const;
    // The first segment that ends after `ms` (from the presentation's start); none when
    // every segment ends by then.
    [[nodiscard]] std::optional<std::uint64_t> indexAt(std::int64_t ms) const;
    // The duration of most segments, for the pace of a live stream.
    [[nodiscard]] std::int64_t typicalDurationMs() const;

    [[nodiscard]] const std::optional<DashResource>& initialization() const { return initialization_; }

private:
    // Segments of one duration one after another, in the timescale.
    struct Run {
        std::uint64_t firstIndex = 0;
        std::uint64_t startTime = 0;
        std::uint64_t duration = 0;
        std::optional<std::uint64_t> count;  // none: without end (the last run only)
    };

    SegmentIndex() = default;
    [[nodiscard]] bool addTimeline(const std::vector<DashTimelineEntry>& timeline, bool dynamic);
    // Drops the segments that start at or after the period's end.
    void endAtPeriod();
    [[nodiscard]] std::optional<std::int64_t> timeToMs(std::uint64_t time) const;
    [[nodiscard]] std::optional<std::uint64_t> msToTime(std::int64_t ms) const;
    [[nodiscard]] const Run* runOf(std::uint64_t index) const;

    DashSegmentInfo::Kind kind_ = DashSegmentInfo::Kind::wholeResource;
    std::string representationId_;
    std::uint64_t bandwidth_ = 0;
    std::string mediaTemplate_;
    std::string base_;
    std::vector<DashResource> media_;  // list and index: one per segment
    std::optional<DashResource> initialization_;
    std::int64_t periodStartMs_ = 0;
    std::optional<std::int64_t> periodDurationMs_;
    std::uint64_t timescale_ = 1;
    std::uint64_t presentationTimeOffset_ = 0;
    std::uint64_t startNumber_ = 1;
    std::vector<Run> runs_;
    std::optional<std::uint64_t> count_ = 0;
};

}  // namespace telvia::stream
