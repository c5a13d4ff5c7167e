// When to fetch which segment of a media playlist and when to reload it. A pure state
// machine: the caller fetches, reports each outcome with the time it happened, and asks
// what to do next. Nothing here reads a clock or touches the network.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "playback/stream/hls/hls_playlist.h"

namespace telvia::stream {

using Milliseconds = std::chrono::milliseconds;

struct SchedulerSettings {
    // A live stream starts at the last segment that begins at least this many target
    // durations before the end of the playlist (the first one if the list is shorter).
    std::uint32_t edgeTargets = 3;
    std::uint32_t segmentAttempts = 3;  // tries per segment before it is skipped
    std::uint32_t playlistAttempts = 3; // failed reloads in a row before the stream is given up
    std::uint32_t skipsInARow = 3;      // segments skipped in a row before the stream is given up
    Milliseconds retryDelay{500};       // before fetching a failed segment again
};

enum class FetchFailure : std::uint8_t {
    notFound,  // HTTP 404 or 410: gone from the server, or not there yet
    other,     // any other status, a time-out or a broken connection
};

struct SchedulerStep {
    enum class Kind : std::uint8_t {
        fetchPlaylist,  // reload the media playlist, then report playlistLoaded or playlistFailed
        fetchSegment,   // fetch `segment`, then report segmentLoaded or segmentFailed
        wait,           // nothing to do before `until`
        finished,       // every segment of a finished playlist has been fetched
        failed,         // the stream is gone: reloads or segments failed too often
    };
    Kind kind = Kind::wait;
    std::optional<HlsSegment> segment;
    // The segment does not follow the previous one seamlessly: the playlist says so, or
    // segments were skipped, or playback rejoined the live edge. Timestamps may jump.
    bool discontinuity = false;
    Milliseconds until{0};
    // Gap segments (marked as missing by the playlist) were passed by, unrequested, just
    // before this one: its bytes do not continue the previous segment's, but its
    // timestamps do, across the time the gap lasts.
    bool afterGap = false;
};

class PlaylistScheduler {
public:
    // Starts with the media playlist that opened the stream, loaded at `now`.
    PlaylistScheduler(const HlsMediaPlaylist& first, Milliseconds now, SchedulerSettings settings = {});

    // What to do at `now`. Asking again without reporting an outcome gives the same answer.
    [[nodiscard]] SchedulerStep next(Milliseconds now) const;

    void playlistLoaded(const HlsMediaPlaylist& playlist, Milliseconds now);
    void playlistFailed(FetchFailure failure, Milliseconds now);
    void segmentLoaded(std::uint64_t sequence);
    void segmentFailed(std::uint64_t sequence, FetchFailure failure, Milliseconds now);
    // This playlist takes over from another variant of the same stream, which had loaded
    // up to `sequence`: its segments carry the same numbers, so it goes on with the next
    // one where it lists it, instead of starting afresh.
    void continueAfter(std::uint64_t sequence);

    // Media time listed from the next segment to the end of the playlist: how far fetching
    // is behind this playlist's edge. Two playlists of one programme (pictures and a
    // separate audio) compare by it, whatever their segments' lengths and numbers.
    [[nodiscard]] Milliseconds pendingDuration() const;
    // Starts a live playlist at the segment that holds the moment `pending` before its
    // end, so that it begins where another playlist of the programme does.
    void startAtPending(Milliseconds pending);

    // How often playback had to jump to the live edge, and how many segments were lost.
    [[nodiscard]] std::uint32_t rejoins() const { return rejoins_; }
    [[nodiscard]] std::uint32_t skippedSegments() const { return skipped_; }

private:
    [[nodiscard]] const HlsSegment* segmentNumbered(std::uint64_t sequence) const;
    // The number of the next segment to fetch: the next one, or the first after it that
    // the playlist does not mark as a gap.
    [[nodiscard]] std::optional<std::uint64_t> nextToFetch() const;
    [[nodiscard]] std::uint64_t edgeStart() const;
    void rejoinEdge();

    SchedulerSettings settings_;
    HlsMediaPlaylist playlist_;
    std::optional<std::uint64_t> next_;  // none until a playlist lists a segment
    Milliseconds reloadDue_{0};
    Milliseconds retryAt_{0};
    std::uint32_t segmentFailures_ = 0;
    std::uint32_t playlistFailures_ = 0;
    std::uint32_t skipsInARow_ = 0;
    std::uint32_t rejoins_ = 0;
    std::uint32_t skipped_ = 0;
    bool gap_ = false;
    bool failed_ = false;
};

}  // namespace telvia::stream
