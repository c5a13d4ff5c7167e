#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mp4_program_writer.h"
#include "program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;
using namespace std::chrono_literals;
using fakes::FakeCipher;

constexpr std::int64_t pictureTime = referenceTimePerSecond / 25;
const std::string base = "http://tv.example/ch/";

struct Programme {
    Bytes init;
    std::vector<Bytes> segments;
};

Programme fragmented(int segments, Mp4ProgramLayout layout = {}, std::uint64_t firstTime = 900000)
{
    Mp4ProgramWriter writer(std::move(layout), firstTime);
    Programme programme{writer.init(), {}};
    for (int i = 0; i < segments; ++i) programme.segments.push_back(writer.piece(25));
    return programme;
}

std::string mapTag(const std::string& attributes) { return "#EXT-X-MAP:" + attributes + "\n"; }

std::vector<std::string> m4sNames(const std::string& stem, int first, int last)
{
    std::vector<std::string> out;
    for (int i = first; i <= last; ++i) out.push_back(stem + std::to_string(i) + ".m4s");
    return out;
}

void serveSegments(fakes::FakeHttpClient& http, const std::string& folder, const Programme& programme,
                   const std::string& stem = "seg", int first = 0)
{
    for (std::size_t i = 0; i < programme.segments.size(); ++i) {
        http.serve(base + folder + stem + std::to_string(first + static_cast<int>(i)) + ".m4s", asText(programme.segments[i]));
    }
}

std::size_t requestsTo(const SessionRig& rig, const std::string& address)
{
    const std::vector<std::string> addresses = rig.requestedAddresses();
    return static_cast<std::size_t>(std::count(addresses.begin(), addresses.end(), address));
}

void expectEvenPictures(const std::vector<StreamSample>& video, std::size_t count)
{
    ASSERT_EQ(video.size(), count);
    for (std::size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i].start, static_cast<std::int64_t>(i) * pictureTime) << i;
        ASSERT_EQ(video[i].keyFrame, i % 25 == 0) << i;
    }
}

// The formats a transport stream of the same programme gives.
std::vector<StreamTrackFormat> transportStreamFormats()
{
    SessionRig rig;
    serveSegments(rig.http, base, 1, ProgramWriter());
    rig.http.serve(base + "ts.m3u8", mediaPlaylist(segmentNames(1)));
    EXPECT_EQ(rig.session.open(base + "ts.m3u8"), StreamOpenResult::opened);
    const std::span<const StreamTrackFormat> tracks = rig.session.tracks();
    return {tracks.begin(), tracks.end()};
}

void expectSameFormats(std::span<const StreamTrackFormat> got, const std::vector<StreamTrackFormat>& expected)
{
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].kind, expected[i].kind) << i;
        EXPECT_EQ(got[i].video.width, expected[i].video.width) << i;
        EXPECT_EQ(got[i].video.height, expected[i].video.height) << i;
        EXPECT_EQ(got[i].video.parameterSets, expected[i].video.parameterSets) << i;
        EXPECT_EQ(got[i].audio.sampleRate, expected[i].audio.sampleRate) << i;
        EXPECT_EQ(got[i].audio.channels, expected[i].audio.channels) << i;
        EXPECT_EQ(got[i].audio.aacObjectType, expected[i].audio.aacObjectType) << i;
    }
}

// Segments of their own, or byte ranges of one file from a server that honours ranges or
// one that sends the whole file each time: the same pictures and audio, the formats a
// transport stream gives, and the initialisation section fetched once.
TEST(StreamSessionFragmentedMp4, PlaysSegmentsAfterTheirInitialisationSection)
{
    const Programme programme = fragmented(4);
    Bytes file = programme.init;
    std::string ranged = mapTag("URI=\"all.mp4\",BYTERANGE=\"" + std::to_string(programme.init.size()) + "@0\"");
    for (const Bytes& segment : programme.segments) {
        ranged += "#EXTINF:1.0,\n#EXT-X-BYTERANGE:" + std::to_string(segment.size()) + "@" + std::to_string(file.size()) + "\nall.mp4\n";
        file.insert(file.end(), segment.begin(), segment.end());
    }
    const std::string rangedPlaylist = "#EXTM3U\n#EXT-X-TARGETDURATION:1\n" + ranged + "#EXT-X-ENDLIST\n";
    const std::vector<StreamTrackFormat> reference = transportStreamFormats();

    const struct {
        const char* name;
        bool ranges;
        bool honoursRange;
    } cases[] = {{"segments", false, false}, {"ranges, honoured", true, true}, {"ranges, ignored", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        if (c.ranges) {
            fakes::FakeHttpAnswer answer;
            answer.head.status = 200;
            answer.body = asText(file);
            answer.honoursRange = c.honoursRange;
            answer.largestRead = 1000;  // the range's end falls inside a read
            rig.http.serve(base + "index.m3u8", rangedPlaylist);
            rig.http.answer(base + "all.mp4", answer);
        } else {
            rig.http.serve(base + "index.m3u8", mediaPlaylist(m4sNames("seg", 0, 3), true, 0, mapTag("URI=\"init.mp4\"")));
            rig.http.serve(base + "init.mp4", asText(programme.init));
            serveSegments(rig.http, "", programme);
        }
        ASSERT_EQ(rig.session.open(base + "index.m3u8"), StreamOpenResult::opened);
        expectSameFormats(rig.session.tracks(), reference);
        const auto samples = pullAll(rig.session);
        ASSERT_EQ(samples.size(), 2u);
        expectEvenPictures(samples[0], 100);
        EXPECT_NEAR(static_cast<double>(samples[1].size()), 4 * 48000 / 1024.0, 2);
        EXPECT_FALSE(anyDiscontinuity(samples[0]) || anyDiscontinuity(samples[1]));
        if (c.ranges) {
            std::vector<std::optional<HttpByteRange>> ranges;
            for (const HttpRequest& request : rig.http.requestsSoFar()) {
                if (request.address == base + "all.mp4") ranges.push_back(request.range);
            }
            ASSERT_EQ(ranges.size(), 5u) << "the section once, then each segment";
            EXPECT_EQ(ranges[0], (HttpByteRange{0, programme.init.size() - 1}));
            EXPECT_EQ(ranges[4], (HttpByteRange{file.size() - programme.segments[3].size(), file.size() - 1}));
        } else {
            EXPECT_EQ(requestsTo(rig, base + "init.mp4"), 1u);
        }
    }
}

// After a discontinuity another packager's section numbers the tracks anew: its tracks
// replace the old ones and playback goes on, each section fetched once.
TEST(StreamSessionFragmentedMp4, ReadsANewSectionAfterADiscontinuity)
{
    Mp4ProgramLayout other;
    other.videoId = 7;
    other.audioId = 9;
    const Programme first = fragmented(2);
    const Programme second = fragmented(2, other, 50 * 90000);
    SessionRig rig;
    rig.http.serve(base + "index.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n" + mapTag("URI=\"a/init.mp4\"") +
                                            "#EXTINF:1,\nseg0.m4s\n#EXTINF:1,\nseg1.m4s\n" + mapTag("URI=\"b/init.mp4\"") +
                                            "#EXT-X-DISCONTINUITY\n#EXTINF:1,\nseg2.m4s\n#EXTINF:1,\nseg3.m4s\n#EXT-X-ENDLIST\n");
    rig.http.serve(base + "a/init.mp4", asText(first.init));
    rig.http.serve(base + "b/init.mp4", asText(second.init));
    serveSegments(rig.http, "", first);
    serveSegments(rig.http, "", second, "seg", 2);
    ASSERT_EQ(rig.session.open(base + "index.m3u8"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    ASSERT_EQ(samples.size(), 2u);
    ASSERT_EQ(samples[0].size(), 100u);
    for (std::size_t i = 0; i < samples[0].size(); ++i) {
        ASSERT_EQ(samples[0][i].discontinuity, i == 50) << i;
    }
    EXPECT_TRUE(strictlyRising(samples[0]));
    EXPECT_LE(samples[0][50].start, samples[0][49].start + referenceTimePerSecond / 5) << "the timeline runs on";
    EXPECT_GT(samples[1].size(), 180u);
    EXPECT_EQ(requestsTo(rig, base + "a/init.mp4"), 1u);
    EXPECT_EQ(requestsTo(rig, base + "b/init.mp4"), 1u);
}

// AES-128 covers the section as well as the segments; the section takes its key's IV.
TEST(StreamSessionFragmentedMp4, DecryptsTheSectionAndTheSegmentsWithTheirKey)
{
    CipherKey key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(3 * i + 1);
    const CipherIv given = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    const Programme programme = fragmented(2);
    SessionRig rig;
    rig.http.serve(base + "index.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:1\n"
                                        "#EXT-X-KEY:METHOD=AES-128,URI=\"k.key\",IV=0x09090909090909090909090909090909\n" +
                                            mapTag("URI=\"init.mp4\"") +
                                            "#EXTINF:1,\nseg0.m4s\n#EXTINF:1,\nseg1.m4s\n#EXT-X-ENDLIST\n");
    rig.http.serve(base + "k.key", std::string(key.begin(), key.end()));
    rig.http.serve(base + "init.mp4", FakeCipher::encrypt(key, given, asText(programme.init)));
    for (int i = 0; i < 2; ++i) {
        rig.http.serve(base + "seg" + std::to_string(i) + ".m4s", FakeCipher::encrypt(key, given, asText(programme.segments[static_cast<std::size_t>(i)])));
    }
    ASSERT_EQ(rig.session.open(base + "index.m3u8"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    ASSERT_EQ(samples.size(), 2u);
    expectEvenPictures(samples[0], 50);
    const std::vector<std::string> expected = {
        "http.get " + base + "index.m3u8", "http.get " + base + "k.key",
        FakeCipher::logged(key, given),    "http.get " + base + "init.mp4",
        FakeCipher::logged(key, given),    "http.get " + base + "seg0.m4s",
        FakeCipher::logged(key, given),    "http.get " + base + "seg1.m4s",
    };
    EXPECT_EQ(rig.log.calls, expected);
}

// What keeps fragmented MP4 from playing ends the attempt with a reason, not noise.
TEST(StreamSessionFragmentedMp4, FailsWhereTheSectionCannotBeHadOrTheSamplesAreEncrypted)
{
    Mp4ProgramLayout encrypted;
    encrypted.videoEntry = "encv";
    encrypted.videoEntryExtra = box("sinf", box("frma", text("avc1")));
    encrypted.audio = false;
    StreamSessionSettings settings = rigSettings();
    settings.fetch.scheduler.retryDelay = 0ms;
    settings.fetch.initSectionLimit = 4096;
    const struct {
        const char* name;
        std::optional<Bytes> init;  // none: 404
        Programme programme;
        StreamOpenResult expected;
    } cases[] = {
        // Each segment is tried, and given up, like one whose key cannot be had.
        {"no section", std::nullopt, fragmented(3), StreamOpenResult::unreachable},
        {"a section larger than the limit", concat({fragmented(1).init, box("free", Bytes(5000, 0))}), fragmented(3),
         StreamOpenResult::unreachable},
        {"encrypted samples", fragmented(1, encrypted).init, fragmented(3, encrypted), StreamOpenResult::noPlayableTrack},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig(settings);
        rig.http.serve(base + "index.m3u8", mediaPlaylist(m4sNames("seg", 0, 2), true, 0, mapTag("URI=\"init.mp4\"")));
        if (c.init) rig.http.serve(base + "init.mp4", asText(*c.init));
        serveSegments(rig.http, "", c.programme);
        EXPECT_EQ(rig.session.open(base + "index.m3u8"), c.expected);
    }
}

// The pictures of a variant and the audio of its rendition, each in fragmented MP4 or one
// of them in a transport stream.
TEST(StreamSessionFragmentedMp4, PlaysAnAudioRenditionBesideTheVariant)
{
    const std::string master = "#EXTM3U\n"
                               "#EXT-X-MEDIA:TYPE=AUDIO,GROUP-ID=\"a\",NAME=\"English\",DEFAULT=YES,URI=\"audio/index.m3u8\"\n"
                               "#EXT-X-STREAM-INF:BANDWIDTH=2000000,AUDIO=\"a\"\nvideo/index.m3u8\n";
    const struct {
        const char* name;
        bool videoMp4;
        bool audioMp4;
    } cases[] = {{"both fragmented", true, true}, {"audio fragmented", false, true}, {"video fragmented", true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        rig.http.serve(base + "master.m3u8", master);
        const auto serveHalf = [&rig](const std::string& folder, bool mp4, bool video) {
            if (mp4) {
                Mp4ProgramLayout layout;
                layout.video = video;
                layout.audio = !video;
                const Programme half = fragmented(4, layout);
                rig.http.serve(base + folder + "index.m3u8",
                               mediaPlaylist(m4sNames("seg", 0, 3), true, 0, mapTag("URI=\"init.mp4\"")));
                rig.http.serve(base + folder + "init.mp4", asText(half.init));
                serveSegments(rig.http, folder, half);
            } else {
                rig.http.serve(base + folder + "index.m3u8", mediaPlaylist(segmentNames(4)));
                testing::serveSegments(rig.http, base + folder, 4, ProgramWriter(ProgramLayout{video, !video}));
            }
        };
        serveHalf("video/", c.videoMp4, true);
        serveHalf("audio/", c.audioMp4, false);
        ASSERT_EQ(rig.session.open(base + "master.m3u8"), StreamOpenResult::opened);
        const auto samples = pullAll(rig.session);
        ASSERT_EQ(samples.size(), 2u);
        expectEvenPictures(samples[0], 100);
        EXPECT_NEAR(static_cast<double>(samples[1].size()), 4 * 48000 / 1024.0, 3);
        EXPECT_TRUE(strictlyRising(samples[1]));
    }
}

}  // namespace
}  // namespace telvia::stream
