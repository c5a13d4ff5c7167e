#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mp4_program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;
using namespace std::chrono_literals;

constexpr std::int64_t pictureTime = referenceTimePerSecond / 25;
const std::string base = "http://tv.example/dash/";

struct Track {
    Bytes init;
    std::vector<Bytes> segments;  // of a second each
};

Track track(bool video, int seconds)
{
    Mp4ProgramLayout layout;
    layout.video = video;
    layout.audio = !video;
    Mp4ProgramWriter writer(layout);
    Track out{writer.init(), {}};
    for (int i = 0; i < seconds; ++i) out.segments.push_back(writer.piece(25));
    return out;
}

void serve(fakes::FakeHttpClient& http, const std::string& folder, const Track& t, int firstNumber = 1)
{
    http.serve(base + folder + "init.mp4", asText(t.init));
    for (std::size_t i = 0; i < t.segments.size(); ++i) {
        http.serve(base + folder + std::to_string(firstNumber + static_cast<int>(i)) + ".m4s", asText(t.segments[i]));
    }
}

const std::string videoSet =
    "<AdaptationSet contentType=\"video\" mimeType=\"video/mp4\" codecs=\"avc1.4d400c\">"
    "<Representation id=\"v\" bandwidth=\"300000\" width=\"160\" height=\"120\">"
    "<SegmentTemplate duration=\"1\" media=\"v/$Number$.m4s\" initialization=\"v/init.mp4\"/>"
    "</Representation></AdaptationSet>";
const std::string audioSet =
    "<AdaptationSet contentType=\"audio\" mimeType=\"audio/mp4\" codecs=\"mp4a.40.2\">"
    "<Representation id=\"a\" bandwidth=\"64000\" audioSamplingRate=\"48000\">"
    "<SegmentTemplate duration=\"1\" media=\"a/$Number$.m4s\" initialization=\"a/init.mp4\"/>"
    "</Representation></AdaptationSet>";

std::string staticManifest(const std::string& sets, int seconds)
{
    return "<?xml version=\"1.0\"?><MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" "
           "mediaPresentationDuration=\"PT" + std::to_string(seconds) + "S\"><Period>" + sets + "</Period></MPD>";
}

// Pictures and sound in sets of their own play side by side, each segment after its
// initialisation segment, fetched once.
TEST(StreamSessionDash, PlaysPicturesAndSoundSideBySide)
{
    SessionRig rig;
    serve(rig.http, "v/", track(true, 4));
    serve(rig.http, "a/", track(false, 4));
    rig.http.serve(base + "manifest.mpd", staticManifest(videoSet + audioSet, 4));
    ASSERT_EQ(rig.session.open(base + "manifest.mpd"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    ASSERT_EQ(samples.size(), 2u);
    ASSERT_EQ(samples[0].size(), 100u);
    for (std::size_t i = 0; i < samples[0].size(); ++i) {
        ASSERT_EQ(samples[0][i].start, static_cast<std::int64_t>(i) * pictureTime) << i;
    }
    EXPECT_NEAR(static_cast<double>(samples[1].size()), 4 * 48000 / 1024.0, 2);
    EXPECT_FALSE(anyDiscontinuity(samples[0]) || anyDiscontinuity(samples[1]));
    const auto addresses = rig.requestedAddresses();
    EXPECT_EQ(std::count(addresses.begin(), addresses.end(), base + "v/init.mp4"), 1);
    EXPECT_EQ(std::count(addresses.begin(), addresses.end(), base + "a/4.m4s"), 1);
}

TEST(StreamSessionDash, PlaysSoundAloneForRadio)
{
    SessionRig rig;
    serve(rig.http, "a/", track(false, 3));
    rig.http.serve(base + "radio.mpd", staticManifest(audioSet, 3));
    ASSERT_EQ(rig.session.open(base + "radio.mpd"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_NEAR(static_cast<double>(samples[0].size()), 3 * 48000 / 1024.0, 2);
}

// A single file of an on-demand manifest: its index box read from the index range, then
// each segment as the range it names.
TEST(StreamSessionDash, PlaysASingleFileThroughItsIndex)
{
    const Track video = track(true, 3);
    Bytes sidx = {0, 0, 0, 0, 's', 'i', 'd', 'x', 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3};
    for (const Bytes& segment : video.segments) {
        const std::size_t size = segment.size();
        const Bytes reference = {static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
                                 static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size), 0, 0, 0, 1,
                                 0x90, 0, 0, 0};
        sidx.insert(sidx.end(), reference.begin(), reference.end());
    }
    sidx[3] = static_cast<std::uint8_t>(sidx.size());
    Bytes file = video.init;
    const std::size_t indexStart = file.size();
    file.insert(file.end(), sidx.begin(), sidx.end());
    for (const Bytes& segment : video.segments) file.insert(file.end(), segment.begin(), segment.end());

    SessionRig rig;
    fakes::FakeHttpAnswer answer;
    answer.head.status = 200;
    answer.body = asText(file);
    answer.honoursRange = true;
    rig.http.answer(base + "od.mp4", answer);
    rig.http.serve(base + "od.mpd",
                   staticManifest("<AdaptationSet contentType=\"video\" mimeType=\"video/mp4\" codecs=\"avc1.4d400c\">"
                                  "<Representation id=\"v\" bandwidth=\"1\"><BaseURL>od.mp4</BaseURL>"
                                  "<SegmentBase indexRange=\"" + std::to_string(indexStart) + "-" +
                                      std::to_string(indexStart + sidx.size() - 1) + "\"><Initialization range=\"0-" +
                                      std::to_string(indexStart - 1) + "\"/></SegmentBase></Representation></AdaptationSet>",
                                  3));
    ASSERT_EQ(rig.session.open(base + "od.mpd"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].size(), 75u);
    std::vector<std::optional<HttpByteRange>> ranges;
    for (const HttpRequest& request : rig.http.requestsSoFar()) {
        if (request.address == base + "od.mp4") ranges.push_back(request.range);
    }
    ASSERT_EQ(ranges.size(), 5u);  // the index, the initialisation, three segments
    EXPECT_TRUE(ranges[0] && ranges[0]->first == indexStart);
    EXPECT_TRUE(ranges[1] && ranges[1]->first == 0);
    EXPECT_TRUE(ranges[2] && ranges[2]->first == indexStart + sidx.size());
}

// What a manifest cannot have played fails the opening with the reason told.
TEST(StreamSessionDash, RefusesProtectedContentWithItsReason)
{
    struct Heard final : SessionObserver {
        std::vector<DashScheduleError> failures;
        void onDashFailure(DashScheduleError error) override { failures.push_back(error); }
    } heard;
    SessionRig rig(rigSettings(), &heard);
    serve(rig.http, "a/", track(false, 3));
    std::string locked = audioSet;
    locked.insert(locked.find("<Representation"), "<ContentProtection schemeIdUri=\"urn:mpeg:dash:mp4protection:2011\" "
                                                   "value=\"cenc\"/>");
    rig.http.serve(base + "locked.mpd", staticManifest(locked, 3));
    EXPECT_EQ(rig.session.open(base + "locked.mpd"), StreamOpenResult::noPlayableTrack);
    EXPECT_EQ(heard.failures, std::vector<DashScheduleError>{DashScheduleError::protectedContent});
    // Nothing of it was fetched.
    EXPECT_EQ(rig.requestedAddresses(), std::vector<std::string>{base + "locked.mpd"});
}

// A live manifest starts at its edge on the clock its time source gives, whatever the
// system's clock says, and fetches each segment once it has ended.
TEST(StreamSessionDash, StartsALiveManifestAtItsEdgeByItsTimeSource)
{
    SessionRig rig;
    rig.clock.setWallTime(std::chrono::milliseconds{1'000'000});  // far behind the server
    serve(rig.http, "a/", track(false, 12), 55);
    rig.http.serve(base + "time", "2026-12-11T10:01:00Z\n");
    rig.http.serve(base + "live.mpd",
                   "<MPD type=\"dynamic\" availabilityStartTime=\"2026-12-11T10:00:00Z\" "
                   "suggestedPresentationDelay=\"PT3S\"><Period start=\"PT0S\">" + audioSet +
                       "</Period><UTCTiming schemeIdUri=\"urn:mpeg:dash:utc:http-iso:2014\" value=\"time\"/></MPD>");
    ASSERT_EQ(rig.session.open(base + "live.mpd"), StreamOpenResult::opened);
    // 60 s in, 3 s back: segment 58 (57 s to 58 s), then 59 and 60 have ended.
    rig.clock.awaitSleeper();
    std::vector<std::string> segments;
    for (const std::string& address : rig.requestedAddresses()) {
        if (address.ends_with(".m4s")) segments.push_back(address.substr(base.size()));
    }
    EXPECT_EQ(segments, (std::vector<std::string>{"a/58.m4s", "a/59.m4s", "a/60.m4s"}));
    rig.clock.advance(1000ms);
    rig.clock.awaitSleeper();
    EXPECT_EQ(rig.requestedAddresses().back(), base + "a/61.m4s");
    rig.session.stop();
}

// A live manifest is asked for again at its update period, from the location it names,
// and what the new one lists follows on; one that turns static ends the stream with it.
TEST(StreamSessionDash, ReloadsALiveManifestFromItsLocation)
{
    SessionRig rig;
    rig.clock.setWallTime(std::chrono::milliseconds{1'796'983'204'500});  // 2026-12-11T10:00:04.5Z
    serve(rig.http, "v/", track(true, 6));
    const auto timeline = [](int segments) {
        return "<AdaptationSet contentType=\"video\" mimeType=\"video/mp4\" codecs=\"avc1.4d400c\">"
               "<Representation id=\"v\" bandwidth=\"300000\"><SegmentTemplate media=\"v/$Number$.m4s\" "
               "initialization=\"v/init.mp4\"><SegmentTimeline><S t=\"0\" d=\"1\" r=\"" +
               std::to_string(segments - 1) + "\"/></SegmentTimeline></SegmentTemplate></Representation></AdaptationSet>";
    };
    rig.http.serve(base + "live.mpd", "<MPD type=\"dynamic\" availabilityStartTime=\"2026-12-11T10:00:00Z\" "
                                      "minimumUpdatePeriod=\"PT1S\" suggestedPresentationDelay=\"PT2S\">"
                                      "<Location>next.mpd</Location><Period start=\"PT0S\">" + timeline(4) +
                                          "</Period></MPD>");
    ASSERT_EQ(rig.session.open(base + "live.mpd"), StreamOpenResult::opened);
    rig.clock.awaitSleeper();  // 2.5 s back: segments 3 and 4 are in, 5 is not listed yet
    rig.http.serve(base + "next.mpd", staticManifest(timeline(6), 6));
    rig.clock.advance(1000ms);
    const auto samples = pullAll(rig.session);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(samples[0].size(), 100u);
    EXPECT_FALSE(anyDiscontinuity(samples[0]));
    std::vector<std::string> asked;
    for (const std::string& address : rig.requestedAddresses()) asked.push_back(address.substr(base.size()));
    EXPECT_EQ(asked, (std::vector<std::string>{"live.mpd", "v/init.mp4", "v/3.m4s", "v/4.m4s", "next.mpd", "v/5.m4s",
                                               "v/6.m4s"}));
}

}  // namespace
}  // namespace telvia::stream
