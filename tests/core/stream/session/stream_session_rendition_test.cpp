#include <algorithm>
#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;
using namespace std::chrono_literals;

constexpr std::int64_t pictureTime = referenceTimePerSecond / 25;
constexpr std::uint64_t firstTime = 900000;  // where ProgramWriter's clock starts
const std::string base = "http://tv.example/ch/";

std::int64_t mediaTimeOf(std::uint64_t ticksAfterStart) { return static_cast<std::int64_t>(ticksAfterStart) * 1000 / 9; }

std::string masterWithAudio(const std::string& renditionAttributes = "URI=\"audio/index.m3u8\"")
{
    return "#EXTM3U\n"
           "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"Commentary\",AUTOSELECT=YES,URI=\"other/index.m3u8\"\n"
           "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"English\",DEFAULT=YES," +
           renditionAttributes +
           "\n"
           "#EXT-X-STREAM-INF:BANDWIDTH=2000000,CODECS=\"avc1.42c01e,mp4a.40.2\",AUDIO=\"aac\"\n"
           "video/index.m3u8\n";
}

std::vector<std::string> names(const std::string& stem, int first, int last)
{
    std::vector<std::string> out;
    for (int i = first; i <= last; ++i) out.push_back(stem + std::to_string(i) + ".ts");
    return out;
}

void serveTs(fakes::FakeHttpClient& http, const std::string& folder, ProgramWriter& writer, int first, int last)
{
    for (int i = first; i <= last; ++i) {
        http.serve(base + folder + "seg" + std::to_string(i) + ".ts", asText(writer.piece(25)), "video/mp2t");
    }
}

ProgramWriter videoOnly() { return ProgramWriter(ProgramLayout{true, false}); }
ProgramWriter audioOnly() { return ProgramWriter(ProgramLayout{false, true}); }

// A packed audio segment: an ID3 tag whose private frame gives the first frame's time,
// then ADTS frames, 1920 ticks each.
Bytes packedAudio(std::uint64_t time, int frames)
{
    const std::string owner = "com.apple.streaming.transportStreamTimestamp";
    Bytes priv(owner.begin(), owner.end());
    priv.push_back(0);
    for (int shift = 56; shift >= 0; shift -= 8) priv.push_back(static_cast<std::uint8_t>(time >> shift));
    Bytes frame = {'P', 'R', 'I', 'V', 0, 0, 0, static_cast<std::uint8_t>(priv.size()), 0, 0};
    frame.insert(frame.end(), priv.begin(), priv.end());
    Bytes out = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(frame.size())};
    out.insert(out.end(), frame.begin(), frame.end());
    for (int i = 0; i < frames; ++i) {
        const Bytes adts = adtsFrame(120, static_cast<std::uint8_t>(i));
        out.insert(out.end(), adts.begin(), adts.end());
    }
    return out;
}

TEST(StreamSessionRendition, PlaysTheVariantsPicturesWithTheAudioOfItsRendition)
{
    const struct {
        const char* name;
        ProgramLayout variant;
    } cases[] = {
        {"pictures only", {true, false}},
        // The variant's own audio sits on the same stream number as the rendition's.
        {"pictures and audio of its own", {true, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        rig.http.serve(base + "master.m3u8", masterWithAudio(), "application/vnd.apple.mpegurl");
        rig.http.serve(base + "video/index.m3u8", mediaPlaylist(names("seg", 0, 2)));
        rig.http.serve(base + "audio/index.m3u8", mediaPlaylist(names("seg", 0, 2)));
        ProgramWriter pictures(c.variant);
        serveTs(rig.http, "video/", pictures, 0, 2);
        ProgramWriter sound = audioOnly();
        serveTs(rig.http, "audio/", sound, 0, 2);

        ASSERT_EQ(rig.session.open(base + "master.m3u8"), StreamOpenResult::opened);
        const std::span<const StreamTrackFormat> tracks = rig.session.tracks();
        ASSERT_EQ(tracks.size(), 2u);
        EXPECT_EQ(tracks[0].kind, StreamTrackKind::h264);
        EXPECT_EQ(tracks[1].kind, StreamTrackKind::aacAdts);
        EXPECT_EQ(tracks[1].audio.sampleRate, 48000u);

        const auto samples = pullAll(rig.session);
        const std::vector<StreamSample>& video = samples[0];
        ASSERT_EQ(video.size(), 75u);
        for (std::size_t i = 0; i < video.size(); ++i) {
            ASSERT_EQ(video[i].start, static_cast<std::int64_t>(i) * pictureTime) << i;
        }
        const std::vector<StreamSample>& audio = samples[1];
        ASSERT_NEAR(static_cast<double>(audio.size()), 3 * 48000 / 1024.0, 2);
        for (std::size_t i = 0; i < audio.size(); ++i) {
            ASSERT_EQ(audio[i].start, mediaTimeOf(i * ticksPerAudioFrame)) << i;
        }
        EXPECT_FALSE(anyDiscontinuity(video) || anyDiscontinuity(audio));
        // Audio and pictures take turns, each about as far ahead as the other.
        const std::vector<std::string> expected = {
            base + "master.m3u8",    base + "video/index.m3u8", base + "audio/index.m3u8", base + "audio/seg0.ts",
            base + "video/seg0.ts",  base + "audio/seg1.ts",    base + "video/seg1.ts",    base + "audio/seg2.ts",
            base + "video/seg2.ts"};
        EXPECT_EQ(rig.requestedAddresses(), expected);
    }
}

TEST(StreamSessionRendition, PacksAudioByTheTimeItsTagsGive)
{
    SessionRig rig;
    rig.http.serve(base + "master.m3u8", masterWithAudio(), "application/vnd.apple.mpegurl");
    rig.http.serve(base + "video/index.m3u8", mediaPlaylist(names("seg", 0, 2)));
    std::string audioPlaylist = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n";
    ProgramWriter pictures = videoOnly();
    serveTs(rig.http, "video/", pictures, 0, 2);
    // The audio begins ten frames after the first picture; each segment's tag places it.
    constexpr std::uint64_t lateBy = 10 * ticksPerAudioFrame;
    for (int i = 0; i < 3; ++i) {
        const std::uint64_t time = firstTime + lateBy + static_cast<std::uint64_t>(i) * 40 * ticksPerAudioFrame;
        const std::string name = "a" + std::to_string(i) + ".aac";
        rig.http.serve(base + "audio/" + name, asText(packedAudio(time, 40)), "audio/aac");
        audioPlaylist += "#EXTINF:0.853,\n" + name + "\n";
    }
    rig.http.serve(base + "audio/index.m3u8", audioPlaylist + "#EXT-X-ENDLIST\n");

    ASSERT_EQ(rig.session.open(base + "master.m3u8"), StreamOpenResult::opened);
    ASSERT_EQ(rig.session.tracks().size(), 2u);
    EXPECT_EQ(rig.session.tracks()[1].kind, StreamTrackKind::aacAdts);

    const auto samples = pullAll(rig.session);
    EXPECT_EQ(samples[0].size(), 75u);
    const std::vector<StreamSample>& audio = samples[1];
    ASSERT_EQ(audio.size(), 120u);
    for (std::size_t i = 0; i < audio.size(); ++i) {
        ASSERT_EQ(audio[i].start, mediaTimeOf(lateBy + i * ticksPerAudioFrame)) << i;
    }
}

// Two-second audio segments, numbered from `first`.
std::string twoSecondPlaylist(int first, int last, bool endList)
{
    std::string text = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXT-X-MEDIA-SEQUENCE:" + std::to_string(first) + "\n";
    for (int i = first; i <= last; ++i) text += "#EXTINF:2.0,\nseg" + std::to_string(i) + ".ts\n";
    return endList ? text + "#EXT-X-ENDLIST\n" : text;
}

TEST(StreamSessionRendition, ALivePairFollowsBothPlaylistsFromTheSameMoment)
{
    SessionRig rig;
    rig.http.serve(base + "master.m3u8", masterWithAudio(), "application/vnd.apple.mpegurl");
    // Pictures in one-second segments 100 to 103; audio in two-second segments 5 to 8,
    // which end at the same moment and begin four seconds earlier.
    ProgramWriter pictures = videoOnly();
    serveTs(rig.http, "video/", pictures, 100, 105);
    ProgramWriter sound(ProgramLayout{false, true}, firstTime - 4 * 90000);
    for (int i = 5; i <= 9; ++i) {
        rig.http.serve(base + "audio/seg" + std::to_string(i) + ".ts", asText(sound.piece(50)), "video/mp2t");
    }
    rig.http.serve(base + "video/index.m3u8", mediaPlaylist(names("seg", 100, 103), false, 100));
    rig.http.serve(base + "audio/index.m3u8", twoSecondPlaylist(5, 8, false));

    ASSERT_EQ(rig.session.open(base + "master.m3u8"), StreamOpenResult::opened);
    rig.clock.awaitSleeper();  // what the edge offered is in; the reloads are due later
    rig.http.serve(base + "video/index.m3u8", mediaPlaylist(names("seg", 102, 105), true, 102));
    rig.http.serve(base + "audio/index.m3u8", twoSecondPlaylist(7, 9, true));
    rig.clock.advance(2000ms);

    const auto samples = pullAll(rig.session);
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 125u);  // segments 101 to 105
    for (std::size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i].start, static_cast<std::int64_t>(i) * pictureTime) << i;
    }
    const std::vector<StreamSample>& audio = samples[1];
    EXPECT_NEAR(static_cast<double>(audio.size()), 5 * 48000 / 1024.0, 2);
    EXPECT_LT(audio.front().start, mediaTimeOf(ticksPerAudioFrame));
    EXPECT_TRUE(strictlyRising(audio));
    EXPECT_FALSE(anyDiscontinuity(video) || anyDiscontinuity(audio));
    // The audio starts with the segment that holds the first picture's moment, not at
    // a count of segments from its end, and goes on to the end of both.
    const auto requested = rig.requestedAddresses();
    const auto fetched = [&requested](const std::string& address) {
        return std::count(requested.begin(), requested.end(), base + address);
    };
    EXPECT_EQ(fetched("audio/seg6.ts"), 0);
    EXPECT_EQ(fetched("audio/seg7.ts"), 1);
    EXPECT_EQ(fetched("audio/seg9.ts"), 1);
    EXPECT_EQ(fetched("video/seg105.ts"), 1);
    EXPECT_EQ(fetched("audio/index.m3u8"), 2);
    EXPECT_EQ(fetched("video/index.m3u8"), 2);
}

TEST(StreamSessionRendition, PicturesWaitForAudioThatIsTriedAgain)
{
    SessionRig rig;
    rig.http.serve(base + "master.m3u8", masterWithAudio(), "application/vnd.apple.mpegurl");
    rig.http.serve(base + "video/index.m3u8", mediaPlaylist(names("seg", 0, 5)));
    rig.http.serve(base + "audio/index.m3u8", mediaPlaylist(names("seg", 0, 5)));
    ProgramWriter pictures = videoOnly();
    serveTs(rig.http, "video/", pictures, 0, 5);
    ProgramWriter sound = audioOnly();
    const std::string firstAudio = asText(sound.piece(25));
    serveTs(rig.http, "audio/", sound, 1, 5);
    fakes::FakeHttpAnswer busy;
    busy.head.status = 503;
    rig.http.answer(base + "audio/seg0.ts", busy);
    // Once the pictures have gone as far ahead as they may, the audio server recovers and
    // the time for the retry comes.
    std::promise<void> farAhead;
    rig.http.onGet([&farAhead](const HttpRequest& request) {
        if (request.address == base + "video/seg2.ts") farAhead.set_value();
    });
    std::thread server([&rig, &firstAudio, &farAhead] {
        farAhead.get_future().wait();
        rig.http.serve(base + "audio/seg0.ts", firstAudio, "video/mp2t");
        rig.clock.advance(500ms);
    });

    ASSERT_EQ(rig.session.open(base + "master.m3u8"), StreamOpenResult::opened);
    server.join();
    ASSERT_EQ(rig.session.tracks().size(), 2u);
    const auto samples = pullAll(rig.session);
    EXPECT_EQ(samples[0].size(), 150u);
    EXPECT_NEAR(static_cast<double>(samples[1].size()), 6 * 48000 / 1024.0, 2);
    // The pictures went two seconds ahead of the late audio, and one segment over, but
    // no further.
    const auto requested = rig.requestedAddresses();
    const auto retry = std::find(requested.rbegin(), requested.rend(), base + "audio/seg0.ts").base() - 1;
    EXPECT_EQ(std::count_if(requested.begin(), retry,
                            [](const std::string& address) { return address.starts_with(base + "video/seg"); }),
              3);
}

TEST(StreamSessionRendition, ARenditionThatCannotPlayLeavesTheVariantToPlayAlone)
{
    const struct {
        const char* name;
        bool servePlaylist;
        const char* segmentBody;  // empty: not there
        ProgramLayout variant;
        std::size_t tracks;
    } cases[] = {
        {"no playlist", false, "", {true, false}, 1},
        {"no segments", true, "", {true, false}, 1},
        {"segments of another format", true, "<html><body>not audio</body></html>", {true, false}, 1},
        {"the variant's own audio plays instead", false, "", {true, true}, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Each missing audio segment is given up at once, so that no retry waits on the clock.
        StreamSessionSettings settings = rigSettings();
        settings.fetch.scheduler.segmentAttempts = 1;
        SessionRig rig(settings);
        rig.http.serve(base + "master.m3u8", masterWithAudio(), "application/vnd.apple.mpegurl");
        rig.http.serve(base + "video/index.m3u8", mediaPlaylist(names("seg", 0, 2)));
        if (c.servePlaylist) rig.http.serve(base + "audio/index.m3u8", mediaPlaylist(names("seg", 0, 2)));
        if (*c.segmentBody != '\0') {
            for (const std::string& name : names("seg", 0, 2)) rig.http.serve(base + "audio/" + name, c.segmentBody);
        }
        ProgramWriter pictures(c.variant);
        serveTs(rig.http, "video/", pictures, 0, 2);

        ASSERT_EQ(rig.session.open(base + "master.m3u8"), StreamOpenResult::opened);
        ASSERT_EQ(rig.session.tracks().size(), c.tracks);
        EXPECT_EQ(rig.session.tracks()[0].kind, StreamTrackKind::h264);
        const auto samples = pullAll(rig.session);
        EXPECT_EQ(samples[0].size(), 75u);
        if (c.tracks == 2) {
            EXPECT_NEAR(static_cast<double>(samples[1].size()), 3 * 48000 / 1024.0, 2);
        }
    }
}

TEST(StreamSessionRendition, AudioInTheVariantItselfNeedsNoRendition)
{
    const struct {
        const char* name;
        std::string master;
    } cases[] = {
        {"the variant names no group",
         "#EXTM3U\n#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"aac\",NAME=\"English\",DEFAULT=YES,URI=\"audio/index.m3u8\"\n"
         "#EXT-X-STREAM-INF:BANDWIDTH=2000000\nvideo/index.m3u8\n"},
        {"the rendition has no playlist", masterWithAudio("AUTOSELECT=YES")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        rig.http.serve(base + "master.m3u8", c.master, "application/vnd.apple.mpegurl");
        rig.http.serve(base + "video/index.m3u8", mediaPlaylist(names("seg", 0, 1)));
        ProgramWriter pictures;
        serveTs(rig.http, "video/", pictures, 0, 1);

        ASSERT_EQ(rig.session.open(base + "master.m3u8"), StreamOpenResult::opened);
        EXPECT_EQ(rig.session.tracks().size(), 2u);
        const auto samples = pullAll(rig.session);
        EXPECT_EQ(samples[0].size(), 50u);
        const std::vector<std::string> expected = {base + "master.m3u8", base + "video/index.m3u8",
                                                   base + "video/seg0.ts", base + "video/seg1.ts"};
        EXPECT_EQ(rig.requestedAddresses(), expected);
    }
}

}  // namespace
}  // namespace telvia::stream
