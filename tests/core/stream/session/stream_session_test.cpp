#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;

constexpr std::int64_t pictureTime = referenceTimePerSecond / 25;

TEST(StreamSession, PlaysTheBestVariantOfAMasterPlaylistSegmentBySegment)
{
    SessionRig rig;
    rig.http.serve("http://tv.example/live/master.m3u8",
                   "#EXTM3U\n"
                   "#EXT-X-STREAM-INF:BANDWIDTH=800000,RESOLUTION=640x360,CODECS=\"avc1.42c01e,mp4a.40.2\"\n"
                   "low/index.m3u8\n"
                   "#EXT-X-STREAM-INF:BANDWIDTH=2000000,RESOLUTION=1280x720,CODECS=\"avc1.4d401f,mp4a.40.2\"\n"
                   "high/index.m3u8\n",
                   "application/vnd.apple.mpegurl");
    rig.http.serve("http://tv.example/live/high/index.m3u8", mediaPlaylist(segmentNames(3)));
    serveSegments(rig.http, "http://tv.example/live/high/", 3);

    ASSERT_EQ(rig.session.open("http://tv.example/live/master.m3u8"), StreamOpenResult::opened);

    const std::span<const StreamTrackFormat> tracks = rig.session.tracks();
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0].kind, StreamTrackKind::h264);
    EXPECT_EQ(tracks[0].video.width, 160u);
    EXPECT_EQ(tracks[0].video.height, 120u);
    EXPECT_EQ(tracks[0].video.profile, 66);
    EXPECT_EQ(tracks[0].video.level, 11);
    // The encoder's timing does not say the rate is fixed: no frame rate.
    EXPECT_EQ(tracks[0].video.frameRateNumerator, 0u);
    EXPECT_EQ(tracks[0].video.frameRateDenominator, 0u);
    Bytes parameterSets = {0, 0, 0, 1};
    parameterSets.insert(parameterSets.end(), sps160x120.begin(), sps160x120.end());
    parameterSets.insert(parameterSets.end(), {0, 0, 0, 1});
    parameterSets.insert(parameterSets.end(), pps.begin(), pps.end());
    EXPECT_EQ(tracks[0].video.parameterSets, parameterSets);
    EXPECT_EQ(tracks[1].kind, StreamTrackKind::aacAdts);
    EXPECT_EQ(tracks[1].audio.sampleRate, 48000u);
    EXPECT_EQ(tracks[1].audio.channels, 2);
    EXPECT_EQ(tracks[1].audio.aacObjectType, 2);

    const auto samples = pullAll(rig.session);
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 75u);
    for (std::size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i].start, static_cast<std::int64_t>(i) * pictureTime) << i;
        ASSERT_EQ(video[i].keyFrame, i % 25 == 0) << i;
    }
    const std::vector<StreamSample>& audio = samples[1];
    EXPECT_NEAR(static_cast<double>(audio.size()), 3 * 48000 / 1024.0, 2);
    EXPECT_EQ(audio.front().start, 0);
    EXPECT_TRUE(strictlyRising(audio));
    EXPECT_FALSE(anyDiscontinuity(video) || anyDiscontinuity(audio));

    const std::vector<std::string> expected = {
        "http://tv.example/live/master.m3u8", "http://tv.example/live/high/index.m3u8",
        "http://tv.example/live/high/seg0.ts", "http://tv.example/live/high/seg1.ts",
        "http://tv.example/live/high/seg2.ts"};
    EXPECT_EQ(rig.requestedAddresses(), expected);
}

TEST(StreamSession, FallsBackToTheNextVariantWhenOneFails)
{
    const std::string master = "#EXTM3U\n"
                               "#EXT-X-STREAM-INF:BANDWIDTH=2000000\nhigh.m3u8\n"
                               "#EXT-X-STREAM-INF:BANDWIDTH=800000\nlow.m3u8\n";
    const struct {
        const char* name;
        std::string highPlaylist;  // empty: not there
        bool highSegmentThere;
    } cases[] = {
        {"its playlist is missing", "", false},
        {"its segments use sample encryption",
         mediaPlaylist({"h0.ts"}, true, 0, "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"https://keys.example/k\"\n"), true},
        {"it is a web page", "<html><body>Gone</body></html>", false},
        {"its segments hold no programme", mediaPlaylist({"h0.ts"}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        rig.http.serve("http://tv.example/master.m3u8", master);
        if (!c.highPlaylist.empty()) rig.http.serve("http://tv.example/high.m3u8", c.highPlaylist);
        rig.http.serve("http://tv.example/h0.ts", c.highSegmentThere ? asText(ProgramWriter().piece(25)) : "junk");
        rig.http.serve("http://tv.example/low.m3u8", mediaPlaylist(segmentNames(2)));
        serveSegments(rig.http, "http://tv.example/", 2);

        ASSERT_EQ(rig.session.open("http://tv.example/master.m3u8"), StreamOpenResult::opened);
        const auto samples = pullAll(rig.session);
        EXPECT_EQ(samples[0].size(), 50u);
        const auto requested = rig.requestedAddresses();
        EXPECT_TRUE(std::find(requested.begin(), requested.end(), "http://tv.example/low.m3u8") != requested.end());
    }
}

// A master playlist of many variants that all fail costs a handful of requests, a pause
// apart, and then fails like any channel that cannot be reached.
TEST(StreamSession, TriesAFewFailingVariantsAPauseApartThenGivesUp)
{
    SessionRig rig{StreamSessionSettings{}};
    std::string master = "#EXTM3U\n";
    for (int i = 0; i < 200; ++i) {
        master += "#EXT-X-STREAM-INF:BANDWIDTH=" + std::to_string(1000 - i) + "\nhttp://host" + std::to_string(i) +
                  ".example/v.m3u8\n";
    }
    rig.http.serve("http://tv.example/master.m3u8", master);

    std::future<StreamOpenResult> opened =
        std::async(std::launch::async, [&rig] { return rig.session.open("http://tv.example/master.m3u8"); });
    std::vector<std::chrono::milliseconds> pauses;
    for (int i = 0; i < 7; ++i) {
        // The opening waits on the clock too, until its time-out.
        const std::chrono::milliseconds wakeAt = rig.clock.awaitSleeper(StreamSessionSettings().openTimeout);
        pauses.push_back(wakeAt - rig.clock.now());
        rig.clock.advance(wakeAt - rig.clock.now());
    }
    EXPECT_EQ(opened.get(), StreamOpenResult::unreachable);
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(7, std::chrono::milliseconds(500)));
    const std::vector<std::string> requested = rig.requestedAddresses();
    ASSERT_EQ(requested.size(), 9u);  // the master playlist and eight variants, the best first
    EXPECT_EQ(requested[1], "http://host0.example/v.m3u8");
    EXPECT_EQ(requested[8], "http://host7.example/v.m3u8");
}

// A variant whose segments stop coming after it played hands over to the next one, which
// goes on after the last segment that played; the picture keeps its timeline.
TEST(StreamSession, AVariantThatGivesOutWhilePlayingHandsOverToTheNext)
{
    StreamSessionSettings settings = rigSettings();
    settings.fetch.scheduler.segmentAttempts = 1;
    settings.fetch.scheduler.skipsInARow = 2;
    settings.fetch.scheduler.retryDelay = std::chrono::milliseconds(0);
    SessionRig rig(settings);
    rig.http.serve("http://tv.example/master.m3u8", "#EXTM3U\n"
                                                    "#EXT-X-STREAM-INF:BANDWIDTH=2000000\nhigh/index.m3u8\n"
                                                    "#EXT-X-STREAM-INF:BANDWIDTH=800000\nlow/index.m3u8\n");
    // Both variants number their segments alike; of the high one only the first is served.
    rig.http.serve("http://tv.example/high/index.m3u8", mediaPlaylist(segmentNames(4)));
    serveSegments(rig.http, "http://tv.example/high/", 1);
    rig.http.serve("http://tv.example/low/index.m3u8", mediaPlaylist(segmentNames(4)));
    ProgramWriter low;
    (void)low.piece(25);  // the low variant's first second, never asked for
    for (int i = 1; i < 4; ++i) {
        rig.http.serve("http://tv.example/low/seg" + std::to_string(i) + ".ts", asText(low.piece(25)), "video/mp2t");
    }

    ASSERT_EQ(rig.session.open("http://tv.example/master.m3u8"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    rig.session.stop();

    const std::vector<std::string> requested = rig.requestedAddresses();
    EXPECT_EQ(std::count(requested.begin(), requested.end(), "http://tv.example/low/seg0.ts"), 0)
        << "the low variant started afresh instead of going on";
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 100u);
    EXPECT_TRUE(strictlyRising(video));
    for (std::size_t i = 0; i < video.size(); ++i) {
        EXPECT_EQ(video[i].discontinuity, i == 25) << i;
    }
}

// The stream ffmpeg made at build time: H.264 with B-frames, AAC and MPEG-1 layer 2,
// three seconds whose timestamps wrap past 2^33 on the way.
std::string readFixture()
{
    std::ifstream file(TELVIA_TS_FIXTURE, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(std::max<std::streamoff>(file.tellg(), 0)), '\0');
    file.seekg(0);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

TEST(StreamSession, PassesGapSegmentsByUnaskedAndKeepsTheirTimeInTheTimeline)
{
    // Three one-second segments, the second marked as a gap: the server never made it.
    SessionRig rig;
    ProgramWriter writer;
    rig.http.serve("http://tv.example/vod/seg0.ts", asText(writer.piece(25)), "video/mp2t");
    writer.skip(25);
    rig.http.serve("http://tv.example/vod/seg2.ts", asText(writer.piece(25)), "video/mp2t");
    rig.http.serve("http://tv.example/vod/index.m3u8",
                   "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1.0,\nseg0.ts\n#EXT-X-GAP\n#EXTINF:1.0,\nseg1.ts\n"
                   "#EXTINF:1.0,\nseg2.ts\n#EXT-X-ENDLIST\n");

    ASSERT_EQ(rig.session.open("http://tv.example/vod/index.m3u8"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    const std::vector<std::string> asked = rig.requestedAddresses();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "http://tv.example/vod/seg1.ts"), 0);
    // The pictures after the gap come two seconds after the start, not one.
    ASSERT_EQ(samples[0].size(), 50u);
    EXPECT_EQ(samples[0][25].start - samples[0][0].start, 2 * referenceTimePerSecond);
    EXPECT_FALSE(anyDiscontinuity(samples[0]));
}

TEST(StreamSession, AVariantsPlaylistImportsTheVariablesOfItsMultivariantPlaylist)
{
    SessionRig rig;
    rig.http.serve("http://tv.example/live/master.m3u8",
                   "#EXTM3U\n#EXT-X-DEFINE:NAME=\"segments\",VALUE=\"http://media.example/s/\"\n"
                   "#EXT-X-STREAM-INF:BANDWIDTH=800000\nv/index.m3u8\n");
    rig.http.serve("http://tv.example/live/v/index.m3u8",
                   "#EXTM3U\n#EXT-X-DEFINE:IMPORT=\"segments\"\n#EXT-X-TARGETDURATION:1\n"
                   "#EXTINF:1.0,\n{$segments}seg0.ts\n#EXT-X-ENDLIST\n");
    serveSegments(rig.http, "http://media.example/s/", 1);
    ASSERT_EQ(rig.session.open("http://tv.example/live/master.m3u8"), StreamOpenResult::opened);
    EXPECT_EQ(pullAll(rig.session)[0].size(), 25u);
}

TEST(StreamSession, ATrackNobodyPullsIsDroppedInsteadOfHoldingBackTheOthers)
{
    // Twenty seconds is twice what the queues hold ahead: the audio nobody plays (no
    // decoder for it) would stop the reading once it held ten seconds.
    SessionRig rig;
    rig.http.serve("http://tv.example/vod.m3u8", mediaPlaylist(segmentNames(20)));
    serveSegments(rig.http, "http://tv.example/", 20);
    ASSERT_EQ(rig.session.open("http://tv.example/vod.m3u8"), StreamOpenResult::opened);
    ASSERT_EQ(rig.session.tracks().size(), 2u);
    rig.session.dropTrack(1);

    auto pictures = std::async(std::launch::async, [&rig] {
        std::size_t count = 0;
        while (rig.session.nextSample(0)) ++count;
        return count;
    });
    if (pictures.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        rig.session.stop();
        FAIL() << "the pictures stopped coming";
    }
    EXPECT_EQ(pictures.get(), 20u * 25u);
    EXPECT_FALSE(rig.session.nextSample(1)) << "pulling a dropped track ends at once";
}

TEST(StreamSession, PlaysATransportStreamServedPlainlyOverHttp)
{
    const std::string stream = readFixture();
    ASSERT_GT(stream.size(), 10'000u) << TELVIA_TS_FIXTURE;
    SessionRig rig;
    fakes::FakeHttpAnswer answer;
    answer.head.status = 200;
    answer.head.contentType = "application/octet-stream";
    answer.body = stream;
    answer.largestRead = 1000;  // the bytes come in pieces, not as one segment
    rig.http.answer("http://radio.example/play/604", answer);

    ASSERT_EQ(rig.session.open("http://radio.example/play/604"), StreamOpenResult::opened);
    const std::span<const StreamTrackFormat> tracks = rig.session.tracks();
    ASSERT_EQ(tracks.size(), 2u);  // the second audio stream is left out
    EXPECT_EQ(tracks[0].video.width, 160u);
    EXPECT_EQ(tracks[0].video.profile, 77);
    EXPECT_EQ(tracks[1].kind, StreamTrackKind::aacAdts);
    EXPECT_EQ(tracks[1].audio.sampleRate, 48000u);

    const auto samples = pullAll(rig.session);
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 75u);
    EXPECT_TRUE(video.front().keyFrame);
    EXPECT_EQ(std::count_if(video.begin(), video.end(), [](const StreamSample& s) { return s.keyFrame; }), 3);
    // Presentation times of B-frames run out of order; none is before the start or
    // beyond the three seconds, through the wrap of the stream clock.
    for (const StreamSample& sample : video) {
        EXPECT_GE(sample.start, 0);
        EXPECT_LT(sample.start, 4 * referenceTimePerSecond);
    }
    EXPECT_NEAR(static_cast<double>(samples[1].size()), 3 * 48000 / 1024.0, 3);
    EXPECT_GE(samples[1].front().start, 0);
    EXPECT_TRUE(strictlyRising(samples[1]));
    EXPECT_LT(samples[1].back().start, 4 * referenceTimePerSecond);
}

TEST(StreamSession, PlaysAnMp3StreamWithoutItsIcyMetadata)
{
    // An ID3 tag whose body looks like a frame header comes first, as some servers send.
    Bytes audio = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 6, 0xFF, 0xFB, 0x90, 0x00, 0x11, 0x22};
    std::vector<Bytes> frames;
    for (int i = 0; i < 40; ++i) {
        frames.push_back(mp3Frame(static_cast<std::uint8_t>(i + 1)));
        audio.insert(audio.end(), frames.back().begin(), frames.back().end());
    }
    // A metadata block after every 1000 audio bytes: a length byte and 16 bytes a unit.
    constexpr std::size_t metaInt = 1000;
    std::string body;
    for (std::size_t at = 0, block = 0; at < audio.size(); at += metaInt, ++block) {
        body.append(audio.begin() + static_cast<std::ptrdiff_t>(at),
                    audio.begin() + static_cast<std::ptrdiff_t>(std::min(audio.size(), at + metaInt)));
        if (at + metaInt >= audio.size()) break;
        const std::string title = block % 2 == 0 ? "StreamTitle='Song';" : "";
        body += static_cast<char>((title.size() + 15) / 16);
        body += title;
        body.append((16 - title.size() % 16) % 16, '\0');
    }
    SessionRig rig;
    fakes::FakeHttpAnswer answer;
    answer.head.status = 200;
    answer.head.contentType = "audio/mpeg";
    answer.head.icyMetaInt = std::to_string(metaInt);
    answer.body = body;
    answer.largestRead = 333;
    rig.http.answer("http://radio.example/stream.mp3", answer);

    ASSERT_EQ(rig.session.open("http://radio.example/stream.mp3"), StreamOpenResult::opened);
    const std::span<const StreamTrackFormat> tracks = rig.session.tracks();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].kind, StreamTrackKind::mpegAudio);
    EXPECT_EQ(tracks[0].audio.mpegLayer, 3);
    EXPECT_EQ(tracks[0].audio.sampleRate, 44100u);
    EXPECT_EQ(tracks[0].audio.channels, 2);
    EXPECT_EQ(tracks[0].audio.bitrate, 128000u);

    const auto samples = pullAll(rig.session);
    ASSERT_EQ(samples[0].size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(samples[0][i].data, frames[i]) << i;
        // 1152 samples a frame at 44.1 kHz.
        EXPECT_NEAR(static_cast<double>(samples[0][i].start), static_cast<double>(i) * 1152 * 1e7 / 44100, 200) << i;
    }
}

TEST(StreamSession, SendsTheHeadersOfTheAddressWithEveryRequest)
{
    const struct {
        const char* name;
        const char* suffix;
        std::vector<HttpHeader> expected;
    } cases[] = {
        {"agent and referrer", "|User-Agent=Tuner%2F2&Referer=http://tv.example/",
         {{"User-Agent", "Tuner/2"}, {"Referer", "http://tv.example/"}}},
        {"none: the port's own User-Agent goes", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        rig.http.serve("http://tv.example/master.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nv.m3u8\n");
        rig.http.serve("http://tv.example/v.m3u8", mediaPlaylist(segmentNames(2)));
        serveSegments(rig.http, "http://tv.example/", 2);

        ASSERT_EQ(rig.session.open(std::string("http://tv.example/master.m3u8") + c.suffix), StreamOpenResult::opened);
        pullAll(rig.session);
        const std::vector<HttpRequest> requests = rig.http.requestsSoFar();
        ASSERT_EQ(requests.size(), 4u);
        for (const HttpRequest& request : requests) {
            EXPECT_EQ(request.headers, c.expected) << request.address;
        }
    }
}

TEST(StreamSession, SaysWhyAnAddressDoesNotOpen)
{
    const std::string sampleEncrypted =
        mediaPlaylist({"s.ts"}, true, 0, "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"https://keys.example/k\"\n");
    ProgramLayout undecodable;
    undecodable.videoType = 0x24;  // HEVC
    undecodable.audioType = 0x81;  // AC-3
    const std::string unplayable = asText(ProgramWriter(undecodable).piece(25));
    // Windows Media's header object starts the body: it is the ASF reader's to open.
    const std::string asfHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"
                                "\x1E\x02\x00\x00\x00\x00\x00\x00",
                                24);
    const struct {
        const char* name;
        std::string address;
        std::vector<std::pair<std::string, std::string>> served;
        StreamOpenResult expected;
    } cases[] = {
        {"nothing there", "http://tv.example/live.m3u8", {}, StreamOpenResult::unreachable},
        {"no variant there", "http://tv.example/m.m3u8",
         {{"http://tv.example/m.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=2\na.m3u8\n#EXT-X-STREAM-INF:BANDWIDTH=1\nb.m3u8\n"}},
         StreamOpenResult::unreachable},
        {"a DASH manifest not there", "http://tv.example/live.mpd", {}, StreamOpenResult::unreachable},
        {"a DASH address that holds no manifest", "http://tv.example/live.mpd",
         {{"http://tv.example/live.mpd", "<!DOCTYPE html><html></html>"}}, StreamOpenResult::notSupported},
        {"RTMP", "rtmp://tv.example/live/stream", {}, StreamOpenResult::notSupported},
        {"Windows Media behind a path without extension", "http://tv.example/wm",
         {{"http://tv.example/wm", asfHeader}}, StreamOpenResult::notSupported},
        {"a web page", "http://tv.example/watch", {{"http://tv.example/watch", "<!DOCTYPE html><html></html>"}},
         StreamOpenResult::notSupported},
        {"sample-encrypted segments only", "http://tv.example/e.m3u8", {{"http://tv.example/e.m3u8", sampleEncrypted}},
         StreamOpenResult::notSupported},
        {"HEVC and AC-3 only", "http://tv.example/hevc.ts", {{"http://tv.example/hevc.ts", unplayable}},
         StreamOpenResult::noPlayableTrack},
        {"variants of codecs the system lacks", "http://tv.example/hevc.m3u8",
         {{"http://tv.example/hevc.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=2,CODECS=\"hvc1.1.6.L93.B0\"\nh.m3u8\n"}},
         StreamOpenResult::noPlayableTrack},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        for (const auto& [address, body] : c.served) rig.http.serve(address, body);
        EXPECT_EQ(rig.session.open(c.address), c.expected);
        EXPECT_TRUE(rig.session.tracks().empty());
        EXPECT_FALSE(rig.session.nextSample(0).has_value());
    }

    SessionRig refused;
    fakes::FakeHttpAnswer noConnection;
    noConnection.startError = httpErrorCannotConnect;
    refused.http.answer("http://tv.example/live.ts", noConnection);
    EXPECT_EQ(refused.session.open("http://tv.example/live.ts"), StreamOpenResult::unreachable);
}

}  // namespace
}  // namespace telvia::stream
