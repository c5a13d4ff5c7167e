#include "playback/stream/dash/segment_index.h"

#include <algorithm>
#include <limits>

#include "playback/stream/address/address_resolution.h"
#include "playback/stream/dash/segment_template.h"

namespace telvia::stream {

namespace {

constexpr std::uint64_t largestTime = std::numeric_limits<std::int64_t>::max();
// Milliseconds past which no time here goes: some 300,000 years.
constexpr std::int64_t largestMs = 10'000'000'000'000'000;

// Whole milliseconds of a signed count of timescale units, rounded towards minus infinity.
std::optional<std::int64_t> unitsToMs(std::int64_t units, std::uint64_t timescale)
{
    const auto scale = static_cast<std::int64_t>(timescale);
    std::int64_t whole = units / scale;
    std::int64_t rest = units % scale;
    if (rest < 0) {
        rest += scale;
        --whole;
    }
    if (whole > largestMs / 1000 || whole < -largestMs / 1000) {
        return std::nullopt;
    }
    return whole * 1000 + rest * 1000 / scale;
}

// Timescale units of a number of milliseconds, rounded down.
std::optional<std::uint64_t> msToUnits(std::uint64_t ms, std::uint64_t timescale)
{
    const std::uint64_t seconds = ms / 1000;
    if (seconds > largestTime / timescale) {
        return std::nullopt;
    }
    return seconds * timescale + (ms % 1000) * timescale / 1000;
}

std::uint64_t ceilDivide(std::uint64_t a, std::uint64_t b) { return a / b + (a % b != 0 ? 1 : 0); }

}  // namespace

std::variant<SegmentIndex, DashIndexError> SegmentIndex::make(const DashPeriod& period,
                                                              const DashRepresentation& representation, bool dynamic)
{
    const DashSegmentInfo& info = representation.segments;
    SegmentIndex index;
    index.kind_ = info.kind;
    index.representationId_ = representation.id;
    index.bandwidth_ = representation.bandwidth;
    index.mediaTemplate_ = info.mediaTemplate;
    index.base_ = info.base;
    index.media_ = info.media;
    index.initialization_ = info.initialization;
    index.periodStartMs_ = period.startMs;
    index.periodDurationMs_ = period.durationMs;
    index.timescale_ = info.timescale;
    index.presentationTimeOffset_ = info.presentationTimeOffset;
    index.startNumber_ = info.startNumber;
    if (info.presentationTimeOffset > largestTime) {
        return DashIndexError::overflow;
    }
    // The period's length in the timescale, when it has one that fits.
    std::uint64_t periodUnits = 0;
    bool periodKnown = false;
    if (period.durationMs) {
        if (const auto units = msToUnits(static_cast<std::uint64_t>(*period.durationMs), info.timescale)) {
            periodUnits = *units;
            periodKnown = true;
        }
    }
    const std::uint64_t pto = info.presentationTimeOffset;
    using Kind = DashSegmentInfo::Kind;
    if (info.kind == Kind::indexed) {
        return DashIndexError::badIndex;  // its segments are in the index box
    }
    if (info.kind == Kind::wholeResource || (info.kind == Kind::list && info.timeline.empty() && !info.duration)) {
        // One segment: the whole period.
        const bool single = info.kind == Kind::wholeResource || info.media.size() == 1;
        index.runs_.push_back(Run{0, pto, std::max<std::uint64_t>(periodUnits, 1), single ? 1u : 0u});
    } else if (!info.timeline.empty()) {
        if (!index.addTimeline(info.timeline, dynamic)) {
            return dynamic ? DashIndexError::overflow : DashIndexError::unknownLength;
        }
    } else {
        std::optional<std::uint64_t> count;
        if (periodKnown) {
            count = ceilDivide(periodUnits, *info.duration);
        } else if (info.kind == Kind::list) {
            count = info.media.size();
        } else if (!dynamic) {
            return DashIndexError::unknownLength;
        }
        index.runs_.push_back(Run{0, pto, *info.duration, count});
    }
    if (info.kind == Kind::list) {
        const std::uint64_t listed = info.media.size();
        // Listed addresses are all there is: a timeline or duration that says more is cut.
        while (!index.runs_.empty() && index.runs_.back().firstIndex >= listed) {
            index.runs_.pop_back();
        }
        if (!index.runs_.empty()) {
            Run& kept = index.runs_.back();
            kept.count = std::min(kept.count.value_or(listed), listed - kept.firstIndex);
        }
    }
    index.endAtPeriod();
    return index;
}

std::variant<SegmentIndex, DashIndexError> SegmentIndex::fromIndexBox(const DashPeriod& period,
                                                                      const DashRepresentation& representation,
                                                                      const SegmentIndexBox& box)
{
    DashRepresentation timed = representation;
    // The box's own timescale times its segments; the manifest's offset is in the manifest's.
    DashSegmentInfo& info = timed.segments;
    if (info.timescale != box.timescale) {
        const auto ms = unitsToMs(static_cast<std::int64_t>(std::min(info.presentationTimeOffset, largestTime)),
                                  info.timescale);
        const auto units = ms ? msToUnits(static_cast<std::uint64_t>(std::max<std::int64_t>(*ms, 0)), box.timescale)
                              : std::nullopt;
        if (!units) {
            return DashIndexError::overflow;
        }
        info.presentationTimeOffset = *units;
        info.timescale = box.timescale;
    }
    info.kind = DashSegmentInfo::Kind::list;
    info.duration.reset();
    info.timeline.clear();
    info.media.clear();
    std::uint64_t time = box.earliestPresentationTime;
    for (const SidxReference& reference : box.references) {
        info.media.push_back(DashResource{info.base, DashByteRange{reference.offset, reference.size}});
        info.timeline.push_back(DashTimelineEntry{time, std::max<std::uint64_t>(reference.duration, 1), 0});
        if (time > largestTime - reference.duration) {
            return DashIndexError::overflow;
        }
        time += reference.duration;
    }
    if (info.media.empty()) {
        return DashIndexError::badIndex;
    }
    auto made = make(period, timed, false);
    if (auto* index = std::get_if<SegmentIndex>(&made)) {
        index->kind_ = DashSegmentInfo::Kind::indexed;
    }
    return made;
}

bool SegmentIndex::addTimeline(const std::vector<DashTimelineEntry>& timeline, bool dynamic)
{
    std::uint64_t first = 0;
    for (std::size_t i = 0; i < timeline.size(); ++i) {
        const DashTimelineEntry& entry = timeline[i];
        std::optional<std::uint64_t> count;
        if (entry.repeat >= 0) {
            count = static_cast<std::uint64_t>(entry.repeat) + 1;
        } else if (periodDurationMs_) {
            // Up to the period's end.
            const auto units = msToUnits(static_cast<std::uint64_t>(*periodDurationMs_), timescale_);
            if (!units || *units > largestTime - presentationTimeOffset_) {
                return false;
            }
            const std::uint64_t end = presentationTimeOffset_ + *units;
            count = end > entry.time ? ceilDivide(end - entry.time, entry.duration) : 0;
        } else if (!dynamic) {
            return false;
        }
        runs_.push_back(Run{first, entry.time, entry.duration, count});
        if (!count) {
            break;  // an open repeat is the last entry
        }
        if (*count > largestTime - first) {
            return false;
        }
        first += *count;
    }
    return true;
}

void SegmentIndex::endAtPeriod()
{
    std::optional<std::uint64_t> end;
    if (periodDurationMs_) {
        const auto units = msToUnits(static_cast<std::uint64_t>(*periodDurationMs_), timescale_);
        if (units && *units <= largestTime - presentationTimeOffset_) {
            end = presentationTimeOffset_ + *units;
        }
    }
    std::vector<Run> kept;
    std::uint64_t first = 0;
    for (Run run : runs_) {
        if (end && run.startTime >= *end) {
            break;
        }
        run.firstIndex = first;
        if (end && run.startTime < *end) {
            const std::uint64_t fits = ceilDivide(*end - run.startTime, run.duration);
            run.count = std::min(run.count.value_or(fits), fits);
        }
        if (run.count == 0u) {
            continue;
        }
        kept.push_back(run);
        if (!run.count) {
            break;
        }
        first += *run.count;
    }
    runs_ = std::move(kept);
    count_ = runs_.empty() || runs_.back().count ? std::optional<std::uint64_t>(first) : std::nullopt;
}

std::optional<std::int64_t> SegmentIndex::timeToMs(std::uint64_t time) const
{
    if (time > largestTime) {
        return std::nullopt;
    }
    const auto offset = unitsToMs(static_cast<std::int64_t>(time) - static_cast<std::int64_t>(presentationTimeOffset_),
                                  timescale_);
    if (!offset || *offset > largestMs - periodStartMs_) {
        return std::nullopt;
    }
    return periodStartMs_ + *offset;
}

std::optional<std::uint64_t> SegmentIndex::msToTime(std::int64_t ms) const
{
    if (ms < periodStartMs_) {
        const auto units = msToUnits(static_cast<std::uint64_t>(periodStartMs_ - ms), timescale_);
        return units && *units < presentationTimeOffset_ ? presentationTimeOffset_ - *units : 0;
    }
    const auto units = msToUnits(static_cast<std::uint64_t>(ms - periodStartMs_), timescale_);
    if (!units || *units > largestTime - presentationTimeOffset_) {
        return std::nullopt;
    }
    return presentationTimeOffset_ + *units;
}

const SegmentIndex::Run* SegmentIndex::runOf(std::uint64_t index) const
{
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), index,
                                        [](std::uint64_t i, const Run& run) { return i < run.firstIndex; });
    return after == runs_.begin() ? nullptr : &*std::prev(after);
}

std::optional<DashSegment> SegmentIndex::at(std::uint64_t index) const
{
    if (count_ && index >= *count_) {
        return std::nullopt;
    }
    const Run* run = runOf(index);
    const std::uint64_t inRun = run ? index - run->firstIndex : 0;
    if (run == nullptr || (run->duration != 0 && inRun > (largestTime - run->startTime) / run->duration - 1) ||
        index > std::numeric_limits<std::uint64_t>::max() - startNumber_) {
        return std::nullopt;
    }
    const std::uint64_t time = run->startTime + inRun * run->duration;
    const auto startMs = timeToMs(time);
    const auto endMs = timeToMs(time + run->duration);
    if (!startMs || !endMs) {
        return std::nullopt;
    }
    DashSegment segment;
    segment.number = startNumber_ + index;
    segment.startMs = *startMs;
    segment.durationMs = *endMs - *startMs;
    switch (kind_) {
    case DashSegmentInfo::Kind::wholeResource:
        segment.media.address = base_;
        break;
    case DashSegmentInfo::Kind::templated: {
        const auto expanded =
            expandTemplate(mediaTemplate_, TemplateValues{representationId_, bandwidth_, segment.number, time});
        auto address = expanded ? resolveAddress(base_, *expanded) : std::nullopt;
        if (!address) {
            return std::nullopt;
        }
        segment.media.address = std::move(*address);
        break;
    }
    case DashSegmentInfo::Kind::list:
    case DashSegmentInfo::Kind::indexed:
        if (index >= media_.size()) {
            return std::nullopt;
        }
        segment.media = media_[static_cast<std::size_t>(index)];
        break;
    }
    return segment;
}

std::optional<std::uint64_t> SegmentIndex::indexAt(std::int64_t ms) const
{
    const auto time = msToTime(ms);
    if (!time || runs_.empty()) {
        return std::nullopt;
    }
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), *time,
                                        [](std::uint64_t t, const Run& run) { return t < run.startTime; });
    if (after == runs_.begin()) {
        return count_ == 0u ? std::nullopt : std::optional<std::uint64_t>(0);
    }
    const Run& run = *std::prev(after);
    const std::uint64_t inRun = (*time - run.startTime) / run.duration;
    if (!run.count || inRun < *run.count) {
        return run.firstIndex + inRun;
    }
    if (after != runs_.end()) {
        return after->firstIndex;
    }
    return std::nullopt;
}

std::int64_t SegmentIndex::typicalDurationMs() const
{
    const Run* longest = nullptr;
    for (const Run& run : runs_) {
        if (longest == nullptr || !run.count || (longest->count && *run.count > *longest->count)) {
            longest = &run;
        }
    }
    if (longest == nullptr) {
        return 0;
    }
    return unitsToMs(static_cast<std::int64_t>(std::min(longest->duration, largestTime)), timescale_).value_or(0);
}

}  // namespace telvia::stream
