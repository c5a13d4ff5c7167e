#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/hls/playlist_scheduler.h"

namespace telvia::stream {
namespace {

using namespace std::chrono_literals;
using Kind = SchedulerStep::Kind;

HlsMediaPlaylist playlist(std::uint64_t first, std::size_t count, bool endList = false, std::int64_t targetMs = 6000)
{
    HlsMediaPlaylist p;
    p.targetDurationMs = targetMs;
    p.mediaSequence = first;
    p.endList = endList;
    for (std::size_t i = 0; i < count; ++i) {
        HlsSegment s;
        s.sequence = first + i;
        s.address = "http://h/" + std::to_string(first + i) + ".ts";
        s.durationMs = targetMs;
        p.segments.push_back(s);
    }
    return p;
}

// Drives a scheduler on a fake clock: each fetch the scheduler asks for succeeds at
// once unless a test says otherwise.
class SchedulerDriver {
public:
    SchedulerDriver(const HlsMediaPlaylist& first, SchedulerSettings settings = {})
        : scheduler(first, now, settings) {}

    // Fetches every segment available now; returns their numbers.
    std::vector<std::uint64_t> fetchAvailable()
    {
        std::vector<std::uint64_t> fetched;
        for (SchedulerStep step = scheduler.next(now); step.kind == Kind::fetchSegment; step = scheduler.next(now)) {
            fetched.push_back(step.segment->sequence);
            scheduler.segmentLoaded(step.segment->sequence);
        }
        return fetched;
    }

    Milliseconds now{0};
    PlaylistScheduler scheduler;
};

// Segments shorter than the target duration: one second each under a four-second target.
HlsMediaPlaylist shortSegments(std::uint64_t first, std::size_t count)
{
    HlsMediaPlaylist p = playlist(first, count, false, 4000);
    for (HlsSegment& s : p.segments) s.durationMs = 1000;
    return p;
}

TEST(PlaylistScheduler, StartsThreeTargetDurationsFromTheLiveEdgeAndAtTheStartOfAFinishedList)
{
    const struct {
        const char* name;
        HlsMediaPlaylist first;
        std::vector<std::uint64_t> fetched;
        Kind then;
    } cases[] = {
        {"live", playlist(100, 10), {107, 108, 109}, Kind::wait},
        {"live, shorter than three", playlist(5, 2), {5, 6}, Kind::wait},
        {"live, segments of a quarter target", shortSegments(100, 20),
         {108, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119}, Kind::wait},
        {"live, nothing listed yet", playlist(5, 0), {}, Kind::wait},
        {"video on demand", playlist(0, 5, true), {0, 1, 2, 3, 4}, Kind::finished},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SchedulerDriver driver(c.first);
        EXPECT_EQ(driver.fetchAvailable(), c.fetched);
        EXPECT_EQ(driver.scheduler.next(driver.now).kind, c.then);
    }
}

// Taking over from another variant: on after the segment that one reached where this
// playlist lists the next one (or is about to), else the usual start.
TEST(PlaylistScheduler, ContinuesAfterTheSegmentAnotherVariantReached)
{
    const struct {
        const char* name;
        HlsMediaPlaylist first;
        std::uint64_t reached;
        std::vector<std::uint64_t> fetched;
    } cases[] = {
        {"live, inside the window", playlist(100, 10), 103, {104, 105, 106, 107, 108, 109}},
        {"live, the last one listed: the next is awaited", playlist(100, 10), 109, {}},
        {"live, fallen out of the window", playlist(100, 10), 90, {107, 108, 109}},
        {"video on demand", playlist(0, 5, true), 1, {2, 3, 4}},
        {"video on demand, all of it reached", playlist(0, 5, true), 4, {}},
        {"the largest number", playlist(0, 5, true), UINT64_MAX, {0, 1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SchedulerDriver driver(c.first);
        driver.scheduler.continueAfter(c.reached);
        EXPECT_EQ(driver.fetchAvailable(), c.fetched);
    }
}

TEST(PlaylistScheduler, ReloadsAtTheTargetDurationAndAtHalfOfItWhenUnchanged)
{
    SchedulerDriver d(playlist(100, 5));
    d.fetchAvailable();
    SchedulerStep step = d.scheduler.next(d.now);
    ASSERT_EQ(step.kind, Kind::wait);
    EXPECT_EQ(step.until, 6000ms);
    EXPECT_EQ(d.scheduler.next(5999ms).kind, Kind::wait);
    ASSERT_EQ(d.scheduler.next(6000ms).kind, Kind::fetchPlaylist);

    d.now = 6100ms;  // the reload took 100 ms and brought nothing new
    d.scheduler.playlistLoaded(playlist(100, 5), d.now);
    step = d.scheduler.next(d.now);
    ASSERT_EQ(step.kind, Kind::wait);
    EXPECT_EQ(step.until, 9100ms);

    d.now = 9100ms;
    ASSERT_EQ(d.scheduler.next(d.now).kind, Kind::fetchPlaylist);
    d.scheduler.playlistLoaded(playlist(101, 5), d.now);  // one new segment
    EXPECT_EQ(d.fetchAvailable(), std::vector<std::uint64_t>{105});
    EXPECT_EQ(d.scheduler.next(d.now).until, 15100ms);
}

// A target duration of a millisecond would have the playlist asked for a thousand times a
// second: reloads and retries go at most once a second.
TEST(PlaylistScheduler, ReloadsNoMoreOftenThanOnceASecondWhateverTheTargetSays)
{
    SchedulerDriver d(playlist(100, 5, false, 1));
    d.fetchAvailable();
    SchedulerStep step = d.scheduler.next(d.now);
    ASSERT_EQ(step.kind, Kind::wait);
    EXPECT_EQ(step.until, 1000ms);

    d.now = 1000ms;
    ASSERT_EQ(d.scheduler.next(d.now).kind, Kind::fetchPlaylist);
    d.scheduler.playlistLoaded(playlist(100, 5, false, 1), d.now);  // nothing new: half the pace
    EXPECT_EQ(d.scheduler.next(d.now).until, 1500ms);
}

TEST(PlaylistScheduler, ReloadsOnTimeEvenWhileSegmentsAreWaiting)
{
    SchedulerDriver d(playlist(100, 10));
    d.now = 7000ms;  // the first segment took long
    EXPECT_EQ(d.scheduler.next(d.now).kind, Kind::fetchPlaylist);
    d.scheduler.playlistLoaded(playlist(101, 10), d.now);
    EXPECT_EQ(d.fetchAvailable(), (std::vector<std::uint64_t>{107, 108, 109, 110}));
}

TEST(PlaylistScheduler, PassesGapSegmentsByWithoutAskingForThemOrCountingThemAsFailures)
{
    // Three gaps in a row, then one at the end; one gap carries a discontinuity.
    HlsMediaPlaylist list = playlist(0, 8, true);
    for (const std::size_t gap : {1, 2, 3, 7}) list.segments[gap].gap = true;
    list.segments[2].discontinuity = true;
    SchedulerDriver d(list);
    std::vector<std::uint64_t> fetched;
    std::vector<bool> afterGap;
    std::vector<bool> discontinuity;
    bool failedOnce = false;
    for (SchedulerStep step = d.scheduler.next(d.now); step.kind == Kind::fetchSegment; step = d.scheduler.next(d.now)) {
        fetched.push_back(step.segment->sequence);
        afterGap.push_back(step.afterGap);
        discontinuity.push_back(step.discontinuity);
        if (step.segment->sequence == 5 && !std::exchange(failedOnce, true)) {
            // A failure after gaps retries that segment, not a gap.
            d.scheduler.segmentFailed(5, FetchFailure::other, d.now);
            d.now += 1000ms;
            continue;
        }
        d.scheduler.segmentLoaded(step.segment->sequence);
    }
    EXPECT_EQ(fetched, (std::vector<std::uint64_t>{0, 4, 5, 5, 6}));
    EXPECT_EQ(afterGap, (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(discontinuity, (std::vector<bool>{false, true, false, false, false}));
    EXPECT_EQ(d.scheduler.next(d.now).kind, Kind::finished);
    EXPECT_EQ(d.scheduler.skippedSegments(), 0u);
}

TEST(PlaylistScheduler, RetriesAFailingSegmentABoundedNumberOfTimesThenSkipsIt)
{
    SchedulerDriver d(playlist(100, 10));
    // Other failures: retried after the delay, without a reload.
    d.scheduler.segmentFailed(107, FetchFailure::other, d.now);
    SchedulerStep step = d.scheduler.next(d.now);
    ASSERT_EQ(step.kind, Kind::wait);
    EXPECT_EQ(step.until, 500ms);
    d.now = 500ms;
    step = d.scheduler.next(d.now);
    ASSERT_EQ(step.kind, Kind::fetchSegment);
    EXPECT_EQ(step.segment->sequence, 107u);

    // A 404 first reloads the playlist, to see whether the segment left the window.
    d.scheduler.segmentFailed(107, FetchFailure::notFound, d.now);
    ASSERT_EQ(d.scheduler.next(d.now).kind, Kind::fetchPlaylist);
    d.scheduler.playlistLoaded(playlist(100, 10), d.now);
    EXPECT_EQ(d.scheduler.next(d.now).kind, Kind::wait);
    d.now = 1000ms;
    step = d.scheduler.next(d.now);
    ASSERT_EQ(step.kind, Kind::fetchSegment);
    EXPECT_EQ(step.segment->sequence, 107u);
    EXPECT_FALSE(step.discontinuity);

    // The third failure gives it up; the next segment follows a gap.
    d.scheduler.segmentFailed(107, FetchFailure::other, d.now);
    step = d.scheduler.next(d.now);
    ASSERT_EQ(step.kind, Kind::fetchSegment);
    EXPECT_EQ(step.segment->sequence, 108u);
    EXPECT_TRUE(step.discontinuity);
    EXPECT_EQ(d.scheduler.skippedSegments(), 1u);
    d.scheduler.segmentLoaded(108);
    EXPECT_FALSE(d.scheduler.next(d.now).discontinuity);
}

TEST(PlaylistScheduler, GivesUpAfterSegmentsFailInARowOrReloadsFailInARow)
{
    SchedulerSettings settings;
    settings.segmentAttempts = 1;
    SchedulerDriver segments(playlist(100, 10, true), settings);
    for (std::uint64_t sequence = 100; sequence < 103; ++sequence) {
        ASSERT_EQ(segments.scheduler.next(segments.now).kind, Kind::fetchSegment);
        segments.scheduler.segmentFailed(sequence, FetchFailure::other, segments.now);
    }
    EXPECT_EQ(segments.scheduler.next(segments.now).kind, Kind::failed);

    SchedulerDriver reloads(playlist(100, 3));
    reloads.fetchAvailable();
    for (int attempt = 0; attempt < 2; ++attempt) {
        reloads.now = reloads.scheduler.next(reloads.now).until;
        ASSERT_EQ(reloads.scheduler.next(reloads.now).kind, Kind::fetchPlaylist);
        reloads.scheduler.playlistFailed(FetchFailure::notFound, reloads.now);
    }
    // A success in between starts the count again.
    reloads.now = reloads.scheduler.next(reloads.now).until;
    EXPECT_EQ(reloads.now, 12000ms);  // half the target after each failure
    reloads.scheduler.playlistLoaded(playlist(100, 3), reloads.now);
    for (int attempt = 0; attempt < 3; ++attempt) {
        reloads.now = reloads.scheduler.next(reloads.now).until;
        ASSERT_EQ(reloads.scheduler.next(reloads.now).kind, Kind::fetchPlaylist) << attempt;
        reloads.scheduler.playlistFailed(FetchFailure::other, reloads.now);
    }
    EXPECT_EQ(reloads.scheduler.next(reloads.now).kind, Kind::failed);
}

TEST(PlaylistScheduler, RejoinsTheLiveEdgeWhenFallenOutOfTheWindowOrWhenNumbersGoBack)
{
    const struct {
        const char* name;
        HlsMediaPlaylist reloaded;
        std::uint64_t resumesAt;
        bool rejoined;
    } cases[] = {
        {"still in the window", playlist(105, 10), 108, false},
        {"fell behind", playlist(120, 10), 127, true},
        {"stream restarted with lower numbers", playlist(0, 6), 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SchedulerDriver d(playlist(100, 10));
        EXPECT_EQ(d.scheduler.next(d.now).segment->sequence, 107u);
        d.scheduler.segmentLoaded(107);
        d.now = 6000ms;
        d.scheduler.playlistLoaded(c.reloaded, d.now);
        const SchedulerStep step = d.scheduler.next(d.now);
        ASSERT_EQ(step.kind, Kind::fetchSegment);
        EXPECT_EQ(step.segment->sequence, c.resumesAt);
        EXPECT_EQ(step.discontinuity, c.rejoined);
        EXPECT_EQ(d.scheduler.rejoins(), c.rejoined ? 1u : 0u);
    }
}

TEST(PlaylistScheduler, StopsReloadingAfterEndListAndFinishesWithTheLastSegment)
{
    SchedulerDriver d(playlist(100, 5));
    d.fetchAvailable();
    d.now = 6000ms;
    ASSERT_EQ(d.scheduler.next(d.now).kind, Kind::fetchPlaylist);
    d.scheduler.playlistLoaded(playlist(100, 7, true), d.now);
    EXPECT_EQ(d.fetchAvailable(), (std::vector<std::uint64_t>{105, 106}));
    EXPECT_EQ(d.scheduler.next(d.now).kind, Kind::finished);
    EXPECT_EQ(d.scheduler.next(d.now + 1h).kind, Kind::finished);
}

TEST(PlaylistScheduler, IgnoresOutcomesForSegmentsItDidNotAskFor)
{
    SchedulerDriver d(playlist(100, 10));
    d.scheduler.segmentLoaded(50);
    d.scheduler.segmentFailed(108, FetchFailure::other, d.now);
    const SchedulerStep step = d.scheduler.next(d.now);
    ASSERT_EQ(step.kind, Kind::fetchSegment);
    EXPECT_EQ(step.segment->sequence, 107u);
    // The playlist's own discontinuity mark reaches the caller.
    HlsMediaPlaylist marked = playlist(100, 10);
    marked.segments[7].discontinuity = true;
    SchedulerDriver m(marked);
    EXPECT_TRUE(m.scheduler.next(m.now).discontinuity);
}

TEST(PlaylistScheduler, StartsAtTheSegmentHoldingAMomentBeforeTheEnd)
{
    const struct {
        const char* name;
        HlsMediaPlaylist playlist;
        Milliseconds pending;
        std::optional<std::uint64_t> first;  // none: nothing until a reload
        Milliseconds pendingAfter;
    } cases[] = {
        {"inside a segment", playlist(10, 5), 13000ms, 12, 18000ms},
        {"on a boundary", playlist(10, 5), 12000ms, 13, 12000ms},
        {"before the first segment", playlist(10, 5), 60000ms, 10, 30000ms},
        {"at the end", playlist(10, 5), 0ms, std::nullopt, 0ms},
        {"a finished playlist starts at its beginning", playlist(10, 5, true), 6000ms, 10, 30000ms},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlaylistScheduler scheduler(c.playlist, 0ms);
        scheduler.startAtPending(c.pending);
        EXPECT_EQ(scheduler.pendingDuration(), c.pendingAfter);
        const SchedulerStep step = scheduler.next(0ms);
        EXPECT_EQ(step.segment ? std::optional(step.segment->sequence) : std::nullopt, c.first);
    }
}

}  // namespace
}  // namespace telvia::stream
