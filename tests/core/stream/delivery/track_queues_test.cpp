#include <gtest/gtest.h>

#include "playback/stream/delivery/track_queues.h"

namespace telvia::stream {
namespace {

constexpr std::int64_t second = referenceTimePerSecond;

// Samples every `step` over `span` on one track, each `bytes` long.
void fill(TrackQueues& queues, std::size_t track, std::int64_t span, std::int64_t step, std::size_t bytes = 1)
{
    for (std::int64_t t = 0; t <= span; t += step) {
        queues.push(TrackSample{track, StreamSample{std::vector<std::uint8_t>(bytes), t, true, false, nullptr}});
    }
}

TEST(TrackQueues, TellsWhenToHoldBackWhenToReadOnAndWhenPlaybackHasEnough)
{
    const struct {
        const char* name;
        std::int64_t video;  // queued time per track
        std::int64_t audio;
        bool full;
        bool drained;
        bool refilled;
    } cases[] = {
        {"little of both", second / 2, second, false, true, false},
        {"enough of both to play on", 2 * second, 3 * second, false, true, true},
        {"one track short of playing on", 5 * second, second, false, true, false},
        {"between reading on and holding back", 8 * second, 7 * second, false, false, true},
        {"one track at the limit", 10 * second, 2 * second, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TrackQueues queues{BufferSettings{}};
        queues.setTrackCount(2);
        fill(queues, 0, c.video, second / 25);
        fill(queues, 1, c.audio, second / 50);
        EXPECT_EQ(queues.full(), c.full);
        EXPECT_EQ(queues.drained(), c.drained);
        EXPECT_EQ(queues.refilled(), c.refilled);
    }
}

TEST(TrackQueues, HoldsBackOnBytesAndCountsOnlyWhatIsStillQueued)
{
    // Each sample counts with what keeping it costs, not only its payload.
    BufferSettings settings;
    settings.byteLimit = 10 * (100 + queuedSampleOverhead);
    TrackQueues queues(settings);
    queues.setTrackCount(1);
    fill(queues, 0, 9 * second / 10, second / 10, 100);  // ten samples, a second
    EXPECT_TRUE(queues.full());
    EXPECT_FALSE(queues.drained());
    EXPECT_FALSE(queues.hasDelivered(0));

    ASSERT_TRUE(queues.pop(0).has_value());
    EXPECT_TRUE(queues.hasDelivered(0));
    EXPECT_FALSE(queues.full());
    EXPECT_TRUE(queues.drained());

    queues.push(TrackSample{5, StreamSample{std::vector<std::uint8_t>(5000), 0, true, false, nullptr}});  // no such track
    EXPECT_FALSE(queues.full());
    while (queues.pop(0)) {
    }
    EXPECT_TRUE(queues.isEmpty(0));
}

TEST(TrackQueues, SamplesWhoseTimesDoNotRiseFillTheQueuesByTheirNumber)
{
    BufferSettings settings;
    settings.sampleLimit = 100;
    TrackQueues queues(settings);
    queues.setTrackCount(2);
    fill(queues, 0, 0, 1);  // one sample of pictures
    for (int i = 0; i < 99; ++i) {
        queues.push(TrackSample{1, StreamSample{std::vector<std::uint8_t>(1), 7, true, false, nullptr}});
    }
    EXPECT_FALSE(queues.full());
    queues.push(TrackSample{1, StreamSample{std::vector<std::uint8_t>(1), 7, true, false, nullptr}});
    EXPECT_TRUE(queues.full());
    // Reading resumes at the same share of the number as of the time: 6 of 10 seconds.
    std::size_t left = 100;
    while (!queues.drained() && queues.pop(1)) {
        --left;
    }
    EXPECT_EQ(left, 60u);
}

}  // namespace
}  // namespace telvia::stream
