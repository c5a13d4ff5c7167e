#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/dash/dash_manifest.h"
#include "playback/stream/dash/dash_scheduler.h"

namespace telvia::stream {
namespace {

using std::chrono::milliseconds;

DashManifest parsed(const std::string& text)
{
    DashParseResult result = parseDashManifest(text, "https://cdn.example/live/manifest.mpd");
    if (const auto* error = std::get_if<DashParseError>(&result)) {
        ADD_FAILURE() << describe(error->error);
        return {};
    }
    return std::get<DashManifest>(std::move(result));
}

// 2026-12-11T10:00:00Z, the live manifests' availability start.
constexpr std::int64_t liveStart = 1'796'983'200'000;

std::string videoPeriod(const std::string& attributes, const std::string& segments)
{
    return "<Period " + attributes + "><AdaptationSet contentType=\"video\" mimeType=\"video/mp4\" "
           "codecs=\"avc1.64001f\"><Representation id=\"v\" bandwidth=\"1000000\">" + segments +
           "</Representation></AdaptationSet></Period>";
}

// Plays a scheduler's steps for as long as `steps` allows, with every fetch succeeding
// unless `fails` says otherwise, and writes down what it was asked to do.
struct Player {
    DashScheduler& scheduler;
    milliseconds now;
    std::vector<std::string> log;
    std::function<bool(std::uint64_t)> fails = [](std::uint64_t) { return false; };

    DashStep run(int steps)
    {
        DashStep step;
        for (int i = 0; i < steps; ++i) {
            step = scheduler.next(now);
            switch (step.kind) {
            case DashStep::Kind::fetchInitialization:
                log.push_back("init " + step.resource->address);
                scheduler.initializationLoaded();
                break;
            case DashStep::Kind::fetchSegment: {
                const DashSegment& segment = *step.segment;
                log.push_back(segment.media.address + (step.discontinuity ? " after a break" : ""));
                if (fails(segment.number)) {
                    scheduler.segmentFailed(segment.number, FetchFailure::notFound, now);
                } else {
                    scheduler.segmentLoaded(segment.number, now);
                }
                break;
            }
            case DashStep::Kind::wait:
                EXPECT_GT(step.until, now);
                now = step.until;
                break;
            default:
                return step;
            }
        }
        return step;
    }
};

TEST(DashScheduler, PlaysAFinishedPresentationPeriodAfterPeriod)
{
    const DashManifest manifest = parsed(
        "<MPD type=\"static\" mediaPresentationDuration=\"PT10S\">" +
        videoPeriod("duration=\"PT4S\"",
                    "<SegmentTemplate duration=\"2\" media=\"a/$Number$.m4s\" initialization=\"a/init.mp4\"/>") +
        videoPeriod("", "<SegmentTemplate timescale=\"1000\" media=\"b/$Time$.m4s\" initialization=\"b/init.mp4\">"
                        "<SegmentTimeline><S t=\"0\" d=\"3000\" r=\"1\"/></SegmentTimeline></SegmentTemplate>") +
        "</MPD>");
    DashScheduler scheduler(manifest, DashTrack::video, milliseconds{0});
    Player player{scheduler, milliseconds{0}, {}};
    EXPECT_EQ(player.run(20).kind, DashStep::Kind::finished);
    const std::string base = "https://cdn.example/live/";
    EXPECT_EQ(player.log, (std::vector<std::string>{"init " + base + "a/init.mp4", base + "a/1.m4s", base + "a/2.m4s",
                                                    "init " + base + "b/init.mp4", base + "b/0.m4s after a break",
                                                    base + "b/3000.m4s"}));
    // Nothing for a track the presentation lacks.
    DashScheduler audio(manifest, DashTrack::audio, milliseconds{0});
    EXPECT_EQ(audio.next(milliseconds{0}).kind, DashStep::Kind::finished);
}

TEST(DashScheduler, ReadsTheIndexOfASingleFileFirst)
{
    const DashManifest manifest = parsed(
        "<MPD type=\"static\" mediaPresentationDuration=\"PT3S\">" +
        videoPeriod("", "<BaseURL>od.mp4</BaseURL><SegmentBase indexRange=\"100-155\">"
                        "<Initialization range=\"0-99\"/></SegmentBase>") +
        "</MPD>");
    DashScheduler scheduler(manifest, DashTrack::video, milliseconds{0});
    const DashStep step = scheduler.next(milliseconds{0});
    ASSERT_EQ(step.kind, DashStep::Kind::fetchIndex);
    EXPECT_EQ(*step.resource, (DashResource{"https://cdn.example/live/od.mp4", DashByteRange{100, 56}}));

    // A version 0 box of 56 bytes with two references of 1.5 s.
    std::vector<std::uint8_t> box = {0, 0, 0, 56, 's', 'i', 'd', 'x', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0x03, 0xE8,
                                     0, 0, 0, 0,  0,   0,   0,   0,   0, 0, 0, 2};
    const std::uint8_t references[] = {0, 0, 0, 200, 0, 0, 0x05, 0xDC, 0x90, 0, 0, 0,
                                       0, 0, 1, 44,  0, 0, 0x05, 0xDC, 0x90, 0, 0, 0};  // 200 and 300 bytes
    box.insert(box.end(), std::begin(references), std::end(references));
    scheduler.indexLoaded(box, milliseconds{0});
    std::vector<DashResource> fetched;
    for (int i = 0; i < 6; ++i) {
        const DashStep next = scheduler.next(milliseconds{0});
        if (next.kind == DashStep::Kind::fetchInitialization) {
            fetched.push_back(*next.resource);
            scheduler.initializationLoaded();
        } else if (next.kind == DashStep::Kind::fetchSegment) {
            fetched.push_back(next.segment->media);
            scheduler.segmentLoaded(next.segment->number, milliseconds{0});
        }
    }
    const std::string file = "https://cdn.example/live/od.mp4";
    EXPECT_EQ(fetched, (std::vector<DashResource>{{file, DashByteRange{0, 100}}, {file, DashByteRange{156, 200}},
                                                  {file, DashByteRange{356, 300}}}));
    EXPECT_EQ(scheduler.next(milliseconds{0}).kind, DashStep::Kind::finished);

    DashScheduler broken(manifest, DashTrack::video, milliseconds{0});
    broken.indexLoaded(std::vector<std::uint8_t>(56, 0), milliseconds{0});
    EXPECT_EQ(broken.next(milliseconds{0}).failure, DashScheduleError::badIndex);
}

TEST(DashScheduler, StartsALiveStreamAtItsEdgeAndFollowsTheClock)
{
    // Segments of 2 s counted from the availability start; the period began 100 s later.
    const auto live = [](const std::string& delay) {
        return parsed("<MPD type=\"dynamic\" availabilityStartTime=\"2026-12-11T10:00:00Z\" " + delay + ">" +
                      videoPeriod("start=\"PT100S\"", "<SegmentTemplate timescale=\"1000\" duration=\"2000\" "
                                                      "startNumber=\"1\" media=\"$Number$.m4s\"/>") +
                      "</MPD>");
    };
    const struct {
        const char* name;
        std::string delay;
        std::int64_t now;  // since the availability start
        std::vector<std::string> expected;
    } cases[] = {
        // 161 s: the period's 61st second; 6 s back is 55 s, segment 28 (54-56 s).
        {"the suggested delay", "suggestedPresentationDelay=\"PT6S\"", 161'000, {"28.m4s", "29.m4s", "30.m4s"}},
        // Three segments back: 55 s again.
        {"without one, three segments", "", 161'000, {"28.m4s", "29.m4s", "30.m4s"}},
        // A delay shorter than a segment still starts with one that has ended: 59-61 s ended at 161 s.
        {"no further than the last segment ended", "suggestedPresentationDelay=\"PT0S\"", 161'000,
         {"30.m4s", "31.m4s"}},
        {"right after the period began", "", 100'500, {"1.m4s"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DashScheduler scheduler(live(c.delay), DashTrack::video, milliseconds{liveStart + c.now});
        Player player{scheduler, milliseconds{liveStart + c.now}, {}};
        std::vector<std::string> names;
        while (names.size() < c.expected.size()) {
            const std::size_t before = player.log.size();
            const DashStep step = player.run(1);
            ASSERT_TRUE(step.kind == DashStep::Kind::fetchSegment || step.kind == DashStep::Kind::wait);
            if (player.log.size() > before) {
                const std::string& address = player.log.back();
                names.push_back(address.substr(address.rfind('/') + 1));
                // Each is fetched once it has ended on the clock, not before.
                const std::uint64_t number = std::stoull(names.back());
                EXPECT_GE(player.now.count(), liveStart + 100'000 + static_cast<std::int64_t>(number) * 2000);
            }
        }
        EXPECT_EQ(names, c.expected);
    }
}

TEST(DashScheduler, FollowsAGrowingTimelineAndGivesUpWhenItStopsGrowing)
{
    const auto withSegments = [](int count) {
        return parsed("<MPD type=\"dynamic\" availabilityStartTime=\"2026-12-11T10:00:00Z\" "
                      "minimumUpdatePeriod=\"PT0S\" suggestedPresentationDelay=\"PT4S\">" +
                      videoPeriod("start=\"PT0S\"", "<SegmentTemplate timescale=\"1000\" media=\"$Time$.m4s\">"
                                                    "<SegmentTimeline><S t=\"0\" d=\"2000\" r=\"" +
                                                        std::to_string(count - 1) +
                                                        "\"/></SegmentTimeline></SegmentTemplate>") +
                      "</MPD>");
    };
    milliseconds now{liveStart + 10'000};  // five segments listed and ended
    DashScheduler scheduler(withSegments(5), DashTrack::video, now);
    Player player{scheduler, now, {}};
    const auto take = [&](int steps) {
        for (int i = 0; i < steps; ++i) {
            const DashStep step = player.run(1);
            if (step.kind == DashStep::Kind::fetchManifest || step.kind == DashStep::Kind::failed) {
                return step;
            }
        }
        return DashStep{};
    };
    // The suggested 4 s back from 10 s: the fourth segment, at 6 s.
    DashStep step = take(10);
    EXPECT_EQ(step.kind, DashStep::Kind::fetchManifest);
    const auto end = [&] { return player.log.back().substr(player.log.back().rfind('/') + 1); };
    ASSERT_FALSE(player.log.empty());
    EXPECT_EQ(player.log.front().substr(player.log.front().rfind('/') + 1), "6000.m4s");
    EXPECT_EQ(end(), "8000.m4s");
    // The next segment is listed by the next manifest, asked for no sooner than a second
    // after the last whatever its update period; then nothing new comes, and the track is
    // given up after the stall limit, not before.
    std::vector<milliseconds> reloads;
    for (int i = 0; i < 100 && step.kind == DashStep::Kind::fetchManifest; ++i) {
        reloads.push_back(player.now);
        scheduler.manifestLoaded(withSegments(6), player.now);
        step = take(10);
    }
    EXPECT_EQ(step.kind, DashStep::Kind::failed);
    EXPECT_EQ(step.failure, DashScheduleError::stalled);
    EXPECT_EQ(end(), "10000.m4s");
    ASSERT_GE(reloads.size(), 2u);
    for (std::size_t i = 1; i < reloads.size(); ++i) {
        EXPECT_GE(reloads[i] - reloads[i - 1], milliseconds{1000}) << i;
    }
    EXPECT_GE(player.now, milliseconds{liveStart + 12'000 + 30'000});
    EXPECT_LT(player.now, milliseconds{liveStart + 12'000 + 32'000});
    EXPECT_EQ(player.log.size(), 3u);
}

TEST(DashScheduler, RejoinsTheEdgeWhenItFellOutOfTheTimeShiftBuffer)
{
    const DashManifest manifest = parsed(
        "<MPD type=\"dynamic\" availabilityStartTime=\"2026-12-11T10:00:00Z\" timeShiftBufferDepth=\"PT10S\" "
        "suggestedPresentationDelay=\"PT4S\">" +
        videoPeriod("start=\"PT0S\"", "<SegmentTemplate timescale=\"1000\" duration=\"2000\" media=\"$Number$\"/>") +
        "</MPD>");
    milliseconds now{liveStart + 60'000};
    DashScheduler scheduler(manifest, DashTrack::video, now);
    DashStep step = scheduler.next(now);
    ASSERT_EQ(step.kind, DashStep::Kind::fetchSegment);
    EXPECT_EQ(step.segment->number, 29u);
    // Stuck for half a minute: segment 30 left the buffer long ago.
    now += milliseconds{30'000};
    scheduler.segmentLoaded(29, now);
    step = scheduler.next(now);
    ASSERT_EQ(step.kind, DashStep::Kind::fetchSegment);
    EXPECT_EQ(step.segment->number, 44u);
    EXPECT_TRUE(step.discontinuity);
    EXPECT_EQ(scheduler.rejoins(), 1u);
}

TEST(DashScheduler, RetriesSkipsAndGivesUpOnFailingSegments)
{
    const DashManifest manifest = parsed(
        "<MPD type=\"static\" mediaPresentationDuration=\"PT20S\">" +
        videoPeriod("", "<SegmentTemplate duration=\"2\" media=\"$Number$\"/>") + "</MPD>");
    DashScheduler scheduler(manifest, DashTrack::video, milliseconds{0});
    Player player{scheduler, milliseconds{0}, {}};
    // Segment 2 fails three times and is skipped; 4 to 6 fail for good.
    int failuresOfTwo = 0;
    player.fails = [&failuresOfTwo](std::uint64_t number) {
        return (number == 2 && ++failuresOfTwo <= 3) || (number >= 4 && number <= 6);
    };
    const DashStep last = player.run(40);
    EXPECT_EQ(last.kind, DashStep::Kind::failed);
    EXPECT_EQ(last.failure, DashScheduleError::fetchesFailed);
    const std::string base = "https://cdn.example/live/";
    EXPECT_EQ(player.log, (std::vector<std::string>{base + "1", base + "2", base + "2", base + "2",
                                                    base + "3 after a break", base + "4", base + "4", base + "4",
                                                    base + "5 after a break", base + "5 after a break",
                                                    base + "5 after a break", base + "6 after a break",
                                                    base + "6 after a break", base + "6 after a break"}));
    EXPECT_EQ(scheduler.skippedSegments(), 4u);
    EXPECT_EQ(player.now, milliseconds{8 * 500});  // a pause before each of the eight retries
}

TEST(DashScheduler, FailsWithTheReasonAPeriodCannotBePlayed)
{
    const struct {
        const char* name;
        std::string manifest;
        DashScheduleError error;
    } cases[] = {
        {"protected",
         "<MPD type=\"static\" mediaPresentationDuration=\"PT2S\"><Period><AdaptationSet contentType=\"video\" "
         "mimeType=\"video/mp4\" codecs=\"avc1.64001f\"><ContentProtection schemeIdUri=\"urn:mpeg:dash:"
         "mp4protection:2011\" value=\"cenc\"/><Representation id=\"v\" bandwidth=\"1\"><SegmentTemplate "
         "duration=\"1\" media=\"$Number$\"/></Representation></AdaptationSet></Period></MPD>",
         DashScheduleError::protectedContent},
        {"nothing it decodes",
         "<MPD type=\"static\" mediaPresentationDuration=\"PT2S\"><Period><AdaptationSet contentType=\"audio\" "
         "mimeType=\"audio/mp4\" codecs=\"ec-3\"><Representation id=\"a\" bandwidth=\"1\"><SegmentTemplate "
         "duration=\"1\" media=\"$Number$\"/></Representation></AdaptationSet></Period></MPD>",
         DashScheduleError::nothingPlayable},
        {"no end to count to",
         "<MPD type=\"static\">" + videoPeriod("", "<SegmentTemplate duration=\"1\" media=\"$Number$\"/>") + "</MPD>",
         DashScheduleError::unknownLength},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DashScheduler scheduler(parsed(c.manifest), DashTrack::video, milliseconds{0});
        const DashStep step = scheduler.next(milliseconds{0});
        EXPECT_EQ(step.kind, DashStep::Kind::failed);
        EXPECT_EQ(step.failure, c.error);
    }
}

}  // namespace
}  // namespace telvia::stream
