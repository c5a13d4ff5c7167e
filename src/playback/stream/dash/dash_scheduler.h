// When to fetch which segment of one track (pictures or sound) of a DASH presentation, and
// when to reload its manifest. Like the HLS playlist scheduler, a pure state machine: the
// caller fetches, reports each outcome with the time, and asks what to do next. "Now" is
// wall-clock time in ms since 1970, already corrected by the manifest's time source.
//
// A finished presentation plays from its start, period after period. A live one starts
// at the live edge: the segment that holds the moment the suggested presentation delay
// (or a few segments) before now, counted from the availability start time. A segment is
// fetched once its end has passed on that clock, and playback jumps back to the edge when
// it fell out of the time-shift buffer.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string_view>

#include "playback/stream/dash/dash_manifest.h"
#include "playback/stream/dash/representation_choice.h"
#include "playback/stream/dash/segment_index.h"
#include "playback/stream/hls/playlist_scheduler.h"

namespace telvia::stream {

enum class DashTrack : std::uint8_t { video, audio };

struct DashSchedulerSettings {
    // Without a suggested presentation delay a live stream starts this many of its
    // segments' durations behind the edge.
    std::uint32_t edgeSegments = 3;
    std::uint32_t segmentAttempts = 3;   // tries per segment before it is skipped
    std::uint32_t fetchAttempts = 3;     // tries of a manifest, index or initialization in a row
    std::uint32_t skipsInARow = 3;       // segments skipped in a row before the track is given up
    Milliseconds retryDelay{500};
    Milliseconds shortestReload{1000};   // however short the manifest's update period
    // A live track that gets nothing new for this long (or three segments' durations, if
    // longer) while its manifest keeps coming unchanged is given up.
    Milliseconds stallLimit{30'000};
};

enum class DashScheduleError : std::uint8_t {
    nothingPlayable,   // a period offers nothing the system plays
    protectedContent,  // what a period offers is protected
    unknownLength,     // a finished presentation whose segments cannot be counted
    badIndex,          // the index box of a single-file representation could not be read
    badTimes,          // segment times or numbers beyond what 64 bits hold
    stalled,           // a live manifest stopped bringing segments
    fetchesFailed,     // the manifest, an index, an initialization or segments failed too often
};

struct DashStep {
    enum class Kind : std::uint8_t {
        fetchManifest,        // reload the manifest: manifestLoaded / manifestFailed
        fetchIndex,           // fetch `resource` (the index range): indexLoaded / indexFailed
        fetchInitialization,  // fetch `resource`: initializationLoaded / initializationFailed
        fetchSegment,         // fetch `segment`: segmentLoaded / segmentFailed
        wait,                 // nothing to do before `until`
        finished,             // every segment of a finished presentation has been fetched
        failed,               // see `failure`
    };
    Kind kind = Kind::wait;
    std::optional<DashResource> resource;
    std::optional<DashSegment> segment;
    // The segment does not follow the previous one seamlessly: a new period, skipped
    // segments, or a jump to the live edge. Timestamps may jump.
    bool discontinuity = false;
    Milliseconds until{0};
    std::optional<DashScheduleError> failure;
};

[[nodiscard]] std::string_view describe(DashScheduleError error);

class DashScheduler {
public:
    // Starts with the manifest that opened the stream, loaded at `now`.
    DashScheduler(const DashManifest& manifest, DashTrack track, Milliseconds now, DashSchedulerSettings settings = {});

    // What to do at `now`. Asking again without reporting an outcome gives the same answer.
    [[nodiscard]] DashStep next(Milliseconds now) const;

    void manifestLoaded(const DashManifest& manifest, Milliseconds now);
    void manifestFailed(Milliseconds now);
    void indexLoaded(std::span<const std::uint8_t> bytes, Milliseconds now);
    void indexFailed(Milliseconds now);
    void initializationLoaded();
    void initializationFailed(Milliseconds now);
    void segmentLoaded(std::uint64_t number, Milliseconds now);
    void segmentFailed(std::uint64_t number, FetchFailure failure, Milliseconds now);

    // The representation being played in the current period; none before one is chosen.
    [[nodiscard]] const DashRepresentation* representation() const;

    [[nodiscard]] std::uint32_t rejoins() const { return rejoins_; }
    [[nodiscard]] std::uint32_t skippedSegments() const { return skipped_; }

private:
    // The chosen representation of a period for this track and its segments.
    struct PeriodTrack {
        const DashRepresentation* representation = nullptr;  // none: nothing for this track
        std::optional<SegmentIndex> index;                   // none until its index box is read
        std::optional<DashScheduleError> error;
    };

    [[nodiscard]] const PeriodTrack& trackOf(std::size_t period) const;
    [[nodiscard]] const PeriodTrack* currentTrack() const;
    [[nodiscard]] std::optional<DashSegment> currentSegment() const;
    // Moves past periods that are over or offer this track nothing.
    void settle();
    void startAtLiveEdge(Milliseconds now);
    void findPosition(std::int64_t ms);
    void rejoinIfBehind(Milliseconds now);
    void fail(DashScheduleError error);
    [[nodiscard]] Milliseconds reloadPeriod() const;
    [[nodiscard]] Milliseconds stallLimit() const;
    [[nodiscard]] bool reloads() const;
    [[nodiscard]] std::int64_t wallMs(std::int64_t presentationMs) const;

    DashSchedulerSettings settings_;
    DashManifest manifest_;
    DashTrack track_;
    mutable std::map<std::size_t, PeriodTrack> tracks_;  // made when first needed
    std::size_t period_ = 0;
    std::uint64_t next_ = 0;         // index of the next segment in the period's track
    std::int64_t positionMs_ = 0;    // where that segment starts, to find it again in a new manifest
    std::optional<DashResource> initialization_;  // the one the reader was last given
    bool discontinuity_ = false;
    bool started_ = false;           // a segment was fetched
    Milliseconds reloadDue_{0};
    Milliseconds retryAt_{0};
    Milliseconds lastProgress_{0};
    std::uint32_t segmentFailures_ = 0;
    std::uint32_t fetchFailures_ = 0;
    std::uint32_t skipsInARow_ = 0;
    std::uint32_t rejoins_ = 0;
    std::uint32_t skipped_ = 0;
    std::optional<DashScheduleError> error_;
};

}  // namespace telvia::stream
