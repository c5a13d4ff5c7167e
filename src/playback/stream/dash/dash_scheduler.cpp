#include "playback/stream/dash/dash_scheduler.h"

#include <algorithm>

#include "playback/stream/dash/sidx_reader.h"

namespace telvia::stream {

namespace {

DashScheduleError scheduleErrorOf(DashIndexError error)
{
    switch (error) {
    case DashIndexError::unknownLength: return DashScheduleError::unknownLength;
    case DashIndexError::badIndex: return DashScheduleError::badIndex;
    case DashIndexError::overflow: return DashScheduleError::badTimes;
    }
    return DashScheduleError::badTimes;
}

// The last period that has begun by `ms`; the first when none has.
std::size_t periodAt(const DashManifest& manifest, std::int64_t ms)
{
    std::size_t found = 0;
    for (std::size_t i = 0; i < manifest.periods.size(); ++i) {
        if (manifest.periods[i].startMs <= ms) {
            found = i;
        }
    }
    return found;
}

}  // namespace

DashScheduler::DashScheduler(const DashManifest& manifest, DashTrack track, Milliseconds now,
                             DashSchedulerSettings settings)
    : settings_(settings), manifest_(manifest), track_(track)
{
    reloadDue_ = now + reloadPeriod();
    lastProgress_ = now;
    if (manifest_.dynamic) {
        startAtLiveEdge(now);
    } else {
        settle();
    }
}

const DashScheduler::PeriodTrack& DashScheduler::trackOf(std::size_t period) const
{
    if (const auto found = tracks_.find(period); found != tracks_.end()) {
        return found->second;
    }
    PeriodTrack made;
    const DashPeriod& p = manifest_.periods[period];
    const auto choice = chooseTracks(p);
    if (const auto* error = std::get_if<DashChoiceError>(&choice)) {
        made.error = *error == DashChoiceError::protectedContent ? DashScheduleError::protectedContent
                                                                  : DashScheduleError::nothingPlayable;
    } else {
        const DashTrackChoice& chosen =
            track_ == DashTrack::video ? std::get<DashChoice>(choice).video : std::get<DashChoice>(choice).audio;
        if (chosen.set != nullptr && !chosen.order.empty()) {
            made.representation = &chosen.set->representations[chosen.order.front()];
            if (made.representation->segments.kind != DashSegmentInfo::Kind::indexed) {
                auto index = SegmentIndex::make(p, *made.representation, manifest_.dynamic);
                if (auto* indexError = std::get_if<DashIndexError>(&index)) {
                    made.error = scheduleErrorOf(*indexError);
                } else {
                    made.index = std::move(std::get<SegmentIndex>(index));
                }
            }
        }
    }
    return tracks_.emplace(period, std::move(made)).first->second;
}

const DashScheduler::PeriodTrack* DashScheduler::currentTrack() const
{
    return period_ < manifest_.periods.size() ? &trackOf(period_) : nullptr;
}

std::optional<DashSegment> DashScheduler::currentSegment() const
{
    const PeriodTrack* track = currentTrack();
    return track != nullptr && track->index ? track->index->at(next_) : std::nullopt;
}

const DashRepresentation* DashScheduler::representation() const
{
    const PeriodTrack* track = currentTrack();
    return track != nullptr ? track->representation : nullptr;
}

bool DashScheduler::reloads() const { return manifest_.dynamic && manifest_.minimumUpdatePeriodMs.has_value(); }

Milliseconds DashScheduler::reloadPeriod() const
{
    return std::max(Milliseconds{manifest_.minimumUpdatePeriodMs.value_or(0)}, settings_.shortestReload);
}

Milliseconds DashScheduler::stallLimit() const
{
    const PeriodTrack* track = currentTrack();
    const std::int64_t segmentMs = track != nullptr && track->index ? track->index->typicalDurationMs() : 0;
    return std::max(settings_.stallLimit, Milliseconds{3 * segmentMs});
}

std::int64_t DashScheduler::wallMs(std::int64_t presentationMs) const
{
    return manifest_.availabilityStartTimeMs.value_or(0) + presentationMs;
}

void DashScheduler::fail(DashScheduleError error)
{
    if (!error_) {
        error_ = error;
    }
}

void DashScheduler::settle()
{
    while (period_ < manifest_.periods.size()) {
        const PeriodTrack& track = trackOf(period_);
        if (track.error) {
            return fail(*track.error);
        }
        if (track.representation != nullptr && !track.index) {
            return;  // its index box comes first
        }
        if (track.index) {
            const auto count = track.index->count();
            if (!count || next_ < *count) {
                if (const auto segment = track.index->at(next_)) {
                    positionMs_ = segment->startMs;
                }
                return;
            }
        }
        if (period_ + 1 == manifest_.periods.size()) {
            return;  // the end, or a live manifest's last period so far
        }
        ++period_;
        next_ = 0;
        discontinuity_ = discontinuity_ || started_;
    }
}

void DashScheduler::startAtLiveEdge(Milliseconds now)
{
    const std::int64_t sinceStart = now.count() - manifest_.availabilityStartTimeMs.value_or(0);
    period_ = periodAt(manifest_, sinceStart);
    next_ = 0;
    const PeriodTrack* live = currentTrack();
    if (live == nullptr || !live->index) {
        return settle();
    }
    const std::int64_t delay = manifest_.suggestedPresentationDelayMs.value_or(
        static_cast<std::int64_t>(settings_.edgeSegments) * live->index->typicalDurationMs());
    const std::int64_t target = sinceStart - delay;
    period_ = periodAt(manifest_, target);
    const PeriodTrack* track = currentTrack();
    if (track == nullptr || !track->index) {
        return settle();
    }
    const SegmentIndex& index = *track->index;
    // Segments before the one that holds "now" have ended, and so are there to fetch.
    const std::uint64_t available = index.indexAt(sinceStart).value_or(index.count().value_or(0));
    std::uint64_t start = index.indexAt(target).value_or(available);
    if (start >= available && available > 0) {
        start = available - 1;
    }
    next_ = start;
    settle();
}

void DashScheduler::findPosition(std::int64_t ms)
{
    period_ = periodAt(manifest_, ms);
    next_ = 0;
    const PeriodTrack* track = currentTrack();
    if (track != nullptr && track->index && manifest_.periods[period_].startMs <= ms) {
        // Just past the position: a start rounded down to the millisecond still finds its segment.
        next_ = track->index->indexAt(ms + 1).value_or(track->index->count().value_or(0));
    }
    settle();
}

void DashScheduler::rejoinIfBehind(Milliseconds now)
{
    if (!manifest_.dynamic || !manifest_.timeShiftBufferDepthMs || error_) {
        return;
    }
    const auto segment = currentSegment();
    if (!segment || wallMs(segment->startMs + segment->durationMs) + *manifest_.timeShiftBufferDepthMs >= now.count()) {
        return;
    }
    startAtLiveEdge(now);
    discontinuity_ = true;
    segmentFailures_ = 0;
    retryAt_ = Milliseconds{0};
    lastProgress_ = now;
    ++rejoins_;
}

DashStep DashScheduler::next(Milliseconds now) const
{
    using Kind = DashStep::Kind;
    if (error_) {
        return DashStep{Kind::failed, std::nullopt, std::nullopt, false, now, error_};
    }
    if (reloads() && now >= reloadDue_) {
        return DashStep{Kind::fetchManifest, std::nullopt, std::nullopt, false, now, std::nullopt};
    }
    const Milliseconds nextReload = reloads() ? reloadDue_ : Milliseconds::max();
    if (now < retryAt_) {
        return DashStep{Kind::wait, std::nullopt, std::nullopt, false, std::min(retryAt_, nextReload), std::nullopt};
    }
    const PeriodTrack* track = currentTrack();
    if (track != nullptr && track->representation != nullptr && !track->index) {
        const DashSegmentInfo& info = track->representation->segments;
        return DashStep{Kind::fetchIndex, DashResource{info.base, info.indexRange}, std::nullopt, false, now,
                        std::nullopt};
    }
    const std::optional<DashSegment> segment = currentSegment();
    if (!segment) {
        if (!reloads()) {
            return DashStep{Kind::finished, std::nullopt, std::nullopt, false, now, std::nullopt};
        }
        if (now >= lastProgress_ + stallLimit()) {
            return DashStep{Kind::failed, std::nullopt, std::nullopt, false, now, DashScheduleError::stalled};
        }
        return DashStep{Kind::wait, std::nullopt, std::nullopt, false, nextReload, std::nullopt};
    }
    const std::optional<DashResource>& initialization = track->index->initialization();
    if (initialization && initialization != initialization_) {
        return DashStep{Kind::fetchInitialization, initialization, std::nullopt, false, now, std::nullopt};
    }
    if (manifest_.dynamic) {
        const Milliseconds availableAt{wallMs(segment->startMs + segment->durationMs)};
        if (now < availableAt) {
            return DashStep{Kind::wait, std::nullopt, std::nullopt, false, std::min(availableAt, nextReload),
                            std::nullopt};
        }
    }
    return DashStep{Kind::fetchSegment, std::nullopt, segment, discontinuity_, now, std::nullopt};
}

void DashScheduler::manifestLoaded(const DashManifest& manifest, Milliseconds now)
{
    fetchFailures_ = 0;
    manifest_ = manifest;
    tracks_.clear();
    reloadDue_ = now + reloadPeriod();
    if (manifest_.dynamic && !started_) {
        startAtLiveEdge(now);
    } else {
        findPosition(positionMs_);
    }
    rejoinIfBehind(now);
}

void DashScheduler::manifestFailed(Milliseconds now)
{
    if (++fetchFailures_ >= settings_.fetchAttempts) {
        return fail(DashScheduleError::fetchesFailed);
    }
    reloadDue_ = now + reloadPeriod() / 2;
}

void DashScheduler::indexLoaded(std::span<const std::uint8_t> bytes, Milliseconds)
{
    const PeriodTrack* track = currentTrack();
    if (track == nullptr || track->representation == nullptr || track->index) {
        return;  // an answer to a question no longer asked
    }
    const DashSegmentInfo& info = track->representation->segments;
    const SidxResult box = readSegmentIndex(bytes, info.indexRange ? info.indexRange->offset : 0);
    if (!std::holds_alternative<SegmentIndexBox>(box)) {
        return fail(DashScheduleError::badIndex);
    }
    auto index = SegmentIndex::fromIndexBox(manifest_.periods[period_], *track->representation,
                                            std::get<SegmentIndexBox>(box));
    if (const auto* error = std::get_if<DashIndexError>(&index)) {
        return fail(scheduleErrorOf(*error));
    }
    tracks_[period_].index = std::move(std::get<SegmentIndex>(index));
    fetchFailures_ = 0;
    settle();
}

void DashScheduler::indexFailed(Milliseconds now)
{
    if (++fetchFailures_ >= settings_.fetchAttempts) {
        return fail(DashScheduleError::fetchesFailed);
    }
    retryAt_ = now + settings_.retryDelay;
}

void DashScheduler::initializationLoaded()
{
    const PeriodTrack* track = currentTrack();
    if (track != nullptr && track->index) {
        initialization_ = track->index->initialization();
    }
    fetchFailures_ = 0;
}

void DashScheduler::initializationFailed(Milliseconds now) { indexFailed(now); }

void DashScheduler::segmentLoaded(std::uint64_t number, Milliseconds now)
{
    const auto segment = currentSegment();
    if (!segment || segment->number != number) {
        return;
    }
    positionMs_ = segment->startMs + segment->durationMs;
    ++next_;
    started_ = true;
    discontinuity_ = false;
    segmentFailures_ = 0;
    skipsInARow_ = 0;
    retryAt_ = Milliseconds{0};
    lastProgress_ = now;
    settle();
    rejoinIfBehind(now);
}

void DashScheduler::segmentFailed(std::uint64_t number, FetchFailure failure, Milliseconds now)
{
    const auto segment = currentSegment();
    if (!segment || segment->number != number) {
        return;
    }
    // A segment the server no longer has usually means we fell behind.
    if (failure == FetchFailure::notFound && reloads()) {
        reloadDue_ = std::min(reloadDue_, now);
    }
    const std::uint32_t rejoinsBefore = rejoins_;
    rejoinIfBehind(now);
    if (rejoins_ != rejoinsBefore) {
        return;
    }
    if (++segmentFailures_ < settings_.segmentAttempts) {
        retryAt_ = now + settings_.retryDelay;
        return;
    }
    // Give the segment up: playing on with a gap beats stopping.
    positionMs_ = segment->startMs + segment->durationMs;
    ++next_;
    ++skipped_;
    segmentFailures_ = 0;
    retryAt_ = Milliseconds{0};
    discontinuity_ = true;
    if (++skipsInARow_ >= settings_.skipsInARow) {
        return fail(DashScheduleError::fetchesFailed);
    }
    settle();
}

std::string_view describe(DashScheduleError error)
{
    switch (error) {
    case DashScheduleError::nothingPlayable: return "no representation the system can play";
    case DashScheduleError::protectedContent: return "content is protected (DRM)";
    case DashScheduleError::unknownLength: return "segments cannot be counted";
    case DashScheduleError::badIndex: return "segment index unreadable";
    case DashScheduleError::badTimes: return "segment times out of range";
    case DashScheduleError::stalled: return "live manifest stopped growing";
    case DashScheduleError::fetchesFailed: return "fetches failed too often";
    }
    return "unknown";
}

}  // namespace telvia::stream
