#include "playback/stream/hls/playlist_scheduler.h"

#include <algorithm>
#include <cstdint>

namespace telvia::stream {

namespace {

// Same first number, same count and same end mark: nothing new was published.
bool samePlaylist(const HlsMediaPlaylist& a, const HlsMediaPlaylist& b)
{
    return a.mediaSequence == b.mediaSequence && a.segments.size() == b.segments.size() &&
           a.endList == b.endList;
}

std::uint64_t endOf(const HlsMediaPlaylist& playlist)
{
    return playlist.mediaSequence + playlist.segments.size();
}

// The pace of reloads and retries follows the target duration, but never faster than once
// a second: a playlist that claims a millisecond would have it asked for a thousand times
// a second.
Milliseconds targetOf(const HlsMediaPlaylist& playlist)
{
    constexpr std::int64_t shortestMs = 1000;
    return Milliseconds{std::max<std::int64_t>(playlist.targetDurationMs, shortestMs)};
}

}  // namespace

PlaylistScheduler::PlaylistScheduler(const HlsMediaPlaylist& first, Milliseconds now, SchedulerSettings settings)
    : settings_(settings), playlist_(first)
{
    if (!playlist_.segments.empty()) {
        next_ = playlist_.endList ? playlist_.mediaSequence : edgeStart();
    }
    reloadDue_ = now + targetOf(playlist_);
}

void PlaylistScheduler::continueAfter(std::uint64_t sequence)
{
    // The next one may also be just past the end: a live list publishes it soon.
    if (sequence != UINT64_MAX && sequence + 1 >= playlist_.mediaSequence && sequence + 1 <= endOf(playlist_)) {
        next_ = sequence + 1;
    }
}

Milliseconds PlaylistScheduler::pendingDuration() const
{
    std::int64_t pending = 0;
    if (next_ && *next_ >= playlist_.mediaSequence) {
        const std::uint64_t from = *next_ - playlist_.mediaSequence;
        for (std::uint64_t i = from; i < playlist_.segments.size(); ++i) {
            pending += playlist_.segments[static_cast<std::size_t>(i)].durationMs;
        }
    }
    return Milliseconds{pending};
}

void PlaylistScheduler::startAtPending(Milliseconds pending)
{
    if (playlist_.endList || playlist_.segments.empty()) {
        return;
    }
    std::int64_t fromEnd = 0;
    std::size_t index = playlist_.segments.size();
    while (index > 0 && fromEnd < pending.count()) {
        --index;
        fromEnd += playlist_.segments[index].durationMs;
    }
    next_ = playlist_.mediaSequence + index;
}

std::uint64_t PlaylistScheduler::edgeStart() const
{
    // Counted in time, not in segments: with short segments, three of them are too close
    // to the edge for the next ones to be published in time.
    const std::int64_t distance = settings_.edgeTargets * std::max<std::int64_t>(playlist_.targetDurationMs, 1);
    std::int64_t fromEnd = 0;
    std::size_t index = playlist_.segments.size();
    while (index > 0 && fromEnd < distance) {
        --index;
        fromEnd += playlist_.segments[index].durationMs;
    }
    return playlist_.mediaSequence + index;
}

const HlsSegment* PlaylistScheduler::segmentNumbered(std::uint64_t sequence) const
{
    if (sequence < playlist_.mediaSequence || sequence >= endOf(playlist_)) {
        return nullptr;
    }
    return &playlist_.segments[static_cast<std::size_t>(sequence - playlist_.mediaSequence)];
}

std::optional<std::uint64_t> PlaylistScheduler::nextToFetch() const
{
    if (!next_) {
        return std::nullopt;
    }
    std::uint64_t sequence = *next_;
    for (const HlsSegment* segment = segmentNumbered(sequence); segment != nullptr && segment->gap;
         segment = segmentNumbered(sequence)) {
        ++sequence;
    }
    return sequence;
}

SchedulerStep PlaylistScheduler::next(Milliseconds now) const
{
    using Kind = SchedulerStep::Kind;
    if (failed_) {
        return {Kind::failed, std::nullopt, false, now};
    }
    const bool reloads = !playlist_.endList;
    if (reloads && now >= reloadDue_) {
        return {Kind::fetchPlaylist, std::nullopt, false, now};
    }
    const std::optional<std::uint64_t> sequence = nextToFetch();
    const HlsSegment* segment = sequence ? segmentNumbered(*sequence) : nullptr;
    if (segment == nullptr) {
        if (!reloads) {
            return {Kind::finished, std::nullopt, false, now};
        }
        return {Kind::wait, std::nullopt, false, reloadDue_};
    }
    if (now < retryAt_) {
        return {Kind::wait, std::nullopt, false, reloads ? std::min(retryAt_, reloadDue_) : retryAt_};
    }
    // A gap that starts a discontinuity leaves it to the segment after it.
    bool discontinuity = segment->discontinuity || gap_;
    for (std::uint64_t passed = *next_; passed < *sequence; ++passed) {
        const HlsSegment* gap = segmentNumbered(passed);
        discontinuity = discontinuity || (gap != nullptr && gap->discontinuity);
    }
    SchedulerStep step{Kind::fetchSegment, *segment, discontinuity, now};
    step.afterGap = *sequence != *next_;
    return step;
}

void PlaylistScheduler::rejoinEdge()
{
    next_ = edgeStart();
    gap_ = true;
    segmentFailures_ = 0;
    retryAt_ = Milliseconds{0};
    ++rejoins_;
}

void PlaylistScheduler::playlistLoaded(const HlsMediaPlaylist& playlist, Milliseconds now)
{
    const bool unchanged = samePlaylist(playlist, playlist_);
    playlist_ = playlist;
    playlistFailures_ = 0;
    // A playlist that comes back unchanged is asked for again after half the target
    // duration, so a late publication costs at most that much.
    reloadDue_ = now + (unchanged ? targetOf(playlist_) / 2 : targetOf(playlist_));
    if (playlist_.segments.empty()) {
        return;
    }
    if (!next_) {
        next_ = playlist_.endList ? playlist_.mediaSequence : edgeStart();
        return;
    }
    // Our next segment has left the window (we fell behind), or the numbers went back
    // below it (the stream restarted): the only sensible place is the live edge.
    if (*next_ < playlist_.mediaSequence || *next_ > endOf(playlist_)) {
        rejoinEdge();
    }
}

void PlaylistScheduler::playlistFailed(FetchFailure, Milliseconds now)
{
    ++playlistFailures_;
    if (playlistFailures_ >= settings_.playlistAttempts) {
        failed_ = true;
        return;
    }
    reloadDue_ = now + targetOf(playlist_) / 2;
}

void PlaylistScheduler::segmentLoaded(std::uint64_t sequence)
{
    if (sequence != nextToFetch()) {
        return;  // an answer to a question no longer asked
    }
    next_ = sequence + 1;
    segmentFailures_ = 0;
    skipsInARow_ = 0;
    gap_ = false;
}

void PlaylistScheduler::segmentFailed(std::uint64_t sequence, FetchFailure failure, Milliseconds now)
{
    if (sequence != nextToFetch()) {
        return;
    }
    next_ = sequence;  // the gaps before it are passed
    // A listed segment the server no longer has usually means we fell behind: a fresh
    // playlist shows whether it has left the window, before the retry.
    if (failure == FetchFailure::notFound && !playlist_.endList) {
        reloadDue_ = std::min(reloadDue_, now);
    }
    ++segmentFailures_;
    if (segmentFailures_ < settings_.segmentAttempts) {
        retryAt_ = now + settings_.retryDelay;
        return;
    }
    // Give the segment up: playing on with a gap beats stopping.
    ++*next_;
    ++skipped_;
    ++skipsInARow_;
    segmentFailures_ = 0;
    retryAt_ = Milliseconds{0};
    gap_ = true;
    if (skipsInARow_ >= settings_.skipsInARow) {
        failed_ = true;
    }
}

}  // namespace telvia::stream
