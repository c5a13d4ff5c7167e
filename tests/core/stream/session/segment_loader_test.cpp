#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;
using namespace std::chrono_literals;

// A server that trickles a segment or a playlist a few bytes at a time would hold the
// session for good: each download has a limit (three target durations, at least ten
// seconds), past which it counts as failed, and the next try or segment follows.
TEST(SegmentLoader, GivesUpADownloadThatTricklesPastItsLimit)
{
    const std::string base = "http://tv.example/vod/";
    const struct {
        const char* name;
        bool playlistTrickles;  // else the second segment does
    } cases[] = {{"a segment", false}, {"a variant's playlist", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        ProgramWriter writer;
        const auto slowly = [&rig](fakes::FakeHttpAnswer answer) {
            answer.largestRead = 8;
            answer.beforeRead = [&rig] { rig.clock.advance(1000ms); };  // eight bytes a second
            return answer;
        };
        const auto served = [](std::string body) {
            fakes::FakeHttpAnswer answer;
            answer.head.status = 200;
            answer.body = std::move(body);
            return answer;
        };
        rig.http.serve(base + "master.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=2000000\nslow.m3u8\n"
                                             "#EXT-X-STREAM-INF:BANDWIDTH=1000000\nindex.m3u8\n");
        rig.http.answer(base + "slow.m3u8", c.playlistTrickles ? slowly(served(mediaPlaylist(segmentNames(2))))
                                                                : served("#EXTM3U\n"));
        rig.http.serve(base + "index.m3u8", mediaPlaylist(segmentNames(3)));
        rig.http.answer(base + "seg0.ts", served(asText(writer.piece(25))));
        rig.http.answer(base + "seg1.ts", c.playlistTrickles ? served(asText(writer.piece(25)))
                                                             : slowly(served(asText(writer.piece(25)))));
        rig.http.answer(base + "seg2.ts", served(asText(writer.piece(25))));

        ASSERT_EQ(rig.session.open(base + "master.m3u8"), StreamOpenResult::opened);
        const auto samples = pullAll(rig.session);
        const std::vector<std::string> requested = rig.requestedAddresses();
        EXPECT_EQ(requested.back(), base + "seg2.ts") << "the stream went on after the slow download";
        // The trickling segment was cut after ten seconds, some eighty bytes: the pictures of
        // the segments before and after it play.
        EXPECT_EQ(samples[0].size(), c.playlistTrickles ? 75u : 50u);
    }
}

}  // namespace
}  // namespace telvia::stream
