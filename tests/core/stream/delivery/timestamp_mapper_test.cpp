#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/container/elementary_stream.h"
#include "playback/stream/delivery/timestamp_mapper.h"

namespace telvia::stream {
namespace {

constexpr std::int64_t ms = mediaUnitsPerSecond / 1000;
constexpr std::uint64_t ticksPerMs = 90;

TEST(TimestampMapper, MapsStreamTimeToMediaTimeFromZero)
{
    const std::uint64_t start = 5'000'000'000;  // any place on the 33-bit clock
    const struct {
        const char* name;
        std::vector<std::uint64_t> stream;
        std::vector<std::int64_t> media;
    } cases[] = {
        {"starts at 0 and counts 100-ns units", {start, start + 3600, start + 90000},
         {0, 40 * ms, 1000 * ms}},
        {"a slightly earlier stream maps before 0", {start, start - 1800}, {0, -20 * ms}},
        {"wraps past 2^33 without a jump",
         {streamClockModulus - 45000, 0, 45000}, {0, 500 * ms, 1000 * ms}},
        {"wraps backwards for a stream just behind the wrap",
         {10, streamClockModulus - 80, 100}, {0, -1 * ms, 1 * ms}},
        {"only the low 33 bits count", {start + streamClockModulus, start + 900}, {0, 10 * ms}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TimestampMapper mapper;
        std::vector<std::int64_t> media;
        for (const std::uint64_t t : c.stream) media.push_back(mapper.map(t));
        EXPECT_EQ(media, c.media);
        EXPECT_EQ(mapper.jumpsDetected(), 0u);
    }
}

TEST(TimestampMapper, CarriesOnAfterDiscontinuitiesAndJumps)
{
    const std::int64_t gap = TimestampMapper::discontinuityGap;
    // Told: a playlist discontinuity restarts the clock near 0.
    TimestampMapper told;
    EXPECT_EQ(told.map(900'000), 0);
    EXPECT_EQ(told.map(900'000 + 90 * 2000), 2000 * ms);
    told.discontinuity();
    EXPECT_EQ(told.map(1000), 2000 * ms + gap);
    EXPECT_EQ(told.map(1000 + 90 * 40), 2040 * ms + gap);
    EXPECT_EQ(told.jumpsDetected(), 0u);

    // Not told: a jump of more than ten seconds either way is taken as one.
    for (const std::int64_t jumpMs : {std::int64_t{60'000}, std::int64_t{-60'000}, std::int64_t{10'001}}) {
        SCOPED_TRACE(jumpMs);
        TimestampMapper mapper;
        const std::uint64_t start = 90'000'000;
        EXPECT_EQ(mapper.map(start), 0);
        EXPECT_EQ(mapper.map(start + 40 * ticksPerMs), 40 * ms);
        const auto jumped = static_cast<std::uint64_t>(static_cast<std::int64_t>(start + 40 * ticksPerMs) + jumpMs * 90);
        EXPECT_EQ(mapper.map(jumped), 40 * ms + gap);
        EXPECT_EQ(mapper.map(jumped + 40 * ticksPerMs), 80 * ms + gap);
        EXPECT_EQ(mapper.jumpsDetected(), 1u);
    }
    // Ten seconds exactly is still playback (a long gap in a sparse stream).
    TimestampMapper sparse;
    EXPECT_EQ(sparse.map(0), 0);
    EXPECT_EQ(sparse.map(900'000), 10'000 * ms);
}

TEST(TimestampMapper, AnchorsWhereTheCallerSaysAndResumesAfterAStall)
{
    TimestampMapper mapper;
    // The caller saw the earliest timestamp of the first data (audio before video).
    mapper.anchor(1'000'000, 0);
    EXPECT_EQ(mapper.map(1'000'000 + 90 * 80), 80 * ms);
    EXPECT_EQ(mapper.map(1'000'000), 0);
    // Playback stalled for a few seconds; the graph clock stands at 7 s now.
    mapper.resumeAt(7000 * ms);
    EXPECT_EQ(mapper.map(1'000'000 + 90 * 120), 7000 * ms);
    EXPECT_EQ(mapper.map(1'000'000 + 90 * 160), 7040 * ms);
    // The first timestamp after a discontinuity without any before it maps to 0.
    TimestampMapper fresh;
    fresh.discontinuity();
    EXPECT_EQ(fresh.map(123456), 0);
}

}  // namespace
}  // namespace telvia::stream
