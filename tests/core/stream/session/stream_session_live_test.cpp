#include <chrono>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;
using namespace std::chrono_literals;

constexpr std::int64_t pictureTime = referenceTimePerSecond / 25;
const std::string base = "http://tv.example/live/";

std::vector<std::string> names(int first, int last)
{
    std::vector<std::string> out;
    for (int i = first; i <= last; ++i) out.push_back("seg" + std::to_string(i) + ".ts");
    return out;
}

void serveSegments(fakes::FakeHttpClient& http, ProgramWriter& writer, int first, int last)
{
    for (int i = first; i <= last; ++i) http.serve(base + "seg" + std::to_string(i) + ".ts", asText(writer.piece(25)));
}

std::vector<std::string> addresses(const std::vector<std::string>& segments)
{
    std::vector<std::string> out;
    for (const std::string& segment : segments) out.push_back(segment == "index" ? base + "index.m3u8" : base + segment);
    return out;
}

TEST(StreamSessionLive, StartsNearTheEdgeAndFollowsThePlaylistAsItGrows)
{
    SessionRig rig;
    ProgramWriter writer;
    serveSegments(rig.http, writer, 0, 5);
    rig.http.serve(base + "index.m3u8", mediaPlaylist(names(0, 3), false, 0));

    ASSERT_EQ(rig.session.open(base + "index.m3u8"), StreamOpenResult::opened);
    rig.clock.awaitSleeper();  // the three segments from the edge are in; the reload is due later
    rig.http.serve(base + "index.m3u8", mediaPlaylist(names(2, 5), true, 2));
    rig.clock.advance(1000ms);

    const auto samples = pullAll(rig.session);
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 125u);  // segments 1 to 5
    for (std::size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i].start, static_cast<std::int64_t>(i) * pictureTime) << i;
        ASSERT_FALSE(video[i].discontinuity) << i;
    }
    EXPECT_TRUE(strictlyRising(samples[1]));
    EXPECT_FALSE(anyDiscontinuity(samples[1]));
    EXPECT_EQ(rig.requestedAddresses(),
              addresses({"index", "seg1.ts", "seg2.ts", "seg3.ts", "index", "seg4.ts", "seg5.ts"}));
}

// A segment holds whole access units: its last picture goes on when the segment is in, not
// when the next segment shows where it ended, which at the live edge is a segment later.
TEST(StreamSessionLive, ASegmentsLastPictureIsThereBeforeTheNextSegmentIs)
{
    SessionRig rig;
    ProgramWriter writer;
    serveSegments(rig.http, writer, 0, 4);
    rig.http.serve(base + "index.m3u8", mediaPlaylist(names(0, 3), false, 0));

    ASSERT_EQ(rig.session.open(base + "index.m3u8"), StreamOpenResult::opened);
    rig.clock.awaitSleeper();  // segments 1 to 3 are in, segment 4 is not listed yet
    std::future<int> pictures = std::async(std::launch::async, [&rig] {
        int count = 0;
        while (count < 75 && rig.session.nextSample(0)) {
            ++count;
        }
        return count;
    });
    const bool allThere = pictures.wait_for(5s) == std::future_status::ready;
    // The channel ends, which lets a pull still waiting go on.
    rig.http.serve(base + "index.m3u8", mediaPlaylist(names(1, 4), true, 1));
    rig.clock.advance(1000ms);
    EXPECT_TRUE(allThere);
    EXPECT_EQ(pictures.get(), 75);
}

TEST(StreamSessionLive, RejoinsTheEdgeAfterFallingOutOfTheWindow)
{
    SessionRig rig;
    ProgramWriter writer;
    serveSegments(rig.http, writer, 10, 13);
    writer.skip(6 * 25);  // segments 14 to 19 go by unseen
    serveSegments(rig.http, writer, 20, 23);
    rig.http.serve(base + "index.m3u8", mediaPlaylist(names(10, 13), false, 10));

    ASSERT_EQ(rig.session.open(base + "index.m3u8"), StreamOpenResult::opened);
    rig.clock.awaitSleeper();
    rig.http.serve(base + "index.m3u8", mediaPlaylist(names(20, 23), true, 20));
    rig.clock.advance(1000ms);

    const auto samples = pullAll(rig.session);
    EXPECT_EQ(rig.requestedAddresses(),
              addresses({"index", "seg11.ts", "seg12.ts", "seg13.ts", "index", "seg21.ts", "seg22.ts", "seg23.ts"}));
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 150u);
    for (std::size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i].discontinuity, i == 75) << i;
    }
    // Playback goes straight on instead of waiting out the six seconds it missed.
    EXPECT_TRUE(video[75].keyFrame);
    EXPECT_GT(video[75].start, video[74].start);
    EXPECT_LE(video[75].start, video[74].start + referenceTimePerSecond / 5);
    EXPECT_TRUE(strictlyRising(video));
    EXPECT_EQ(std::count_if(samples[1].begin(), samples[1].end(), [](const StreamSample& s) { return s.discontinuity; }),
              1);
    EXPECT_TRUE(strictlyRising(samples[1]));
}

TEST(StreamSessionLive, CarriesOnThroughADiscontinuityThePlaylistAnnounces)
{
    SessionRig rig;
    ProgramWriter writer;
    serveSegments(rig.http, writer, 0, 1);
    writer.restartAt(0);  // a new encoder, its clock from 0
    serveSegments(rig.http, writer, 2, 2);
    rig.http.serve(base + "index.m3u8",
                   "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\nseg0.ts\n#EXTINF:1,\nseg1.ts\n"
                   "#EXT-X-DISCONTINUITY\n#EXTINF:1,\nseg2.ts\n#EXT-X-ENDLIST\n");

    ASSERT_EQ(rig.session.open(base + "index.m3u8"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 75u);
    for (std::size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i].discontinuity, i == 50) << i;
    }
    EXPECT_TRUE(strictlyRising(video));
    EXPECT_LE(video[50].start, video[49].start + referenceTimePerSecond / 5);
    EXPECT_TRUE(strictlyRising(samples[1]));
}

}  // namespace
}  // namespace telvia::stream
