#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;
using namespace std::chrono_literals;
using fakes::FakeCipher;

constexpr std::int64_t pictureTime = referenceTimePerSecond / 25;

CipherKey keyFrom(std::uint8_t first)
{
    CipherKey key{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(first + 7 * i);
    return key;
}

std::string keyText(const CipherKey& key) { return std::string(key.begin(), key.end()); }

// The IV of a segment whose key gives none: its sequence number, big-endian.
CipherIv ivOfSequence(std::uint64_t sequence)
{
    CipherIv iv{};
    for (std::size_t i = 0; i < 8; ++i) iv[15 - i] = static_cast<std::uint8_t>(sequence >> (8 * i));
    return iv;
}

fakes::FakeHttpAnswer inPieces(std::string body, std::size_t piece)
{
    fakes::FakeHttpAnswer answer;
    answer.head.status = 200;
    answer.head.contentType = "video/mp2t";
    answer.body = std::move(body);
    answer.largestRead = piece;
    return answer;
}

TEST(StreamSessionEncryption, DecryptsEachSegmentWithItsKeyFetchedOnceAndItsIv)
{
    const std::string base = "http://tv.example/live/";
    const CipherKey keyA = keyFrom(0x10);
    const CipherKey keyB = keyFrom(0xA0);
    const CipherIv given = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    SessionRig rig;
    rig.http.serve(base + "master.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1\nhigh/index.m3u8\n");
    rig.http.serve(base + "high/index.m3u8",
                   "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:7\n"
                   "#EXT-X-KEY:METHOD=AES-128,URI=\"../keys/a.key\"\n"
                   "#EXTINF:1.0,\nseg0.ts\n#EXTINF:1.0,\nseg1.ts\n"
                   "#EXT-X-KEY:METHOD=AES-128,URI=\"https://keys.example/b\",IV=0x000102030405060708090a0b0c0d0e0f\n"
                   "#EXTINF:1.0,\nseg2.ts\n"
                   "#EXT-X-KEY:METHOD=AES-128,URI=\"../keys/a.key\"\n"
                   "#EXTINF:1.0,\nseg3.ts\n#EXT-X-ENDLIST\n");
    rig.http.serve(base + "keys/a.key", keyText(keyA));
    rig.http.serve("https://keys.example/b", keyText(keyB));
    const struct {
        CipherKey key;
        CipherIv iv;
    } segments[] = {{keyA, ivOfSequence(7)}, {keyA, ivOfSequence(8)}, {keyB, given}, {keyA, ivOfSequence(10)}};
    ProgramWriter writer;
    for (std::size_t i = 0; i < std::size(segments); ++i) {
        const std::string plain = asText(writer.piece(25));
        // Odd pieces: blocks arrive split, never lined up with the reads.
        rig.http.answer(base + "high/seg" + std::to_string(i) + ".ts",
                        inPieces(FakeCipher::encrypt(segments[i].key, segments[i].iv, plain), 1000 + 7 * i));
    }

    ASSERT_EQ(rig.session.open(base + "master.m3u8|User-Agent=Tuner%2F2"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    ASSERT_EQ(samples.size(), 2u);
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 100u);
    for (std::size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i].start, static_cast<std::int64_t>(i) * pictureTime) << i;
    }
    EXPECT_NEAR(static_cast<double>(samples[1].size()), 4 * 48000 / 1024.0, 2);
    EXPECT_FALSE(anyDiscontinuity(video) || anyDiscontinuity(samples[1]));

    // Each key once, before the first segment that needs it; a decryptor per segment.
    const std::vector<std::string> expected = {
        "http.get " + base + "master.m3u8",
        "http.get " + base + "high/index.m3u8",
        "http.get " + base + "keys/a.key",
        FakeCipher::logged(keyA, ivOfSequence(7)),
        "http.get " + base + "high/seg0.ts",
        FakeCipher::logged(keyA, ivOfSequence(8)),
        "http.get " + base + "high/seg1.ts",
        "http.get https://keys.example/b",
        FakeCipher::logged(keyB, given),
        "http.get " + base + "high/seg2.ts",
        FakeCipher::logged(keyA, ivOfSequence(10)),
        "http.get " + base + "high/seg3.ts",
    };
    EXPECT_EQ(rig.log.calls, expected);
    for (const HttpRequest& request : rig.http.requestsSoFar()) {
        EXPECT_EQ(request.headers, (std::vector<HttpHeader>{{"User-Agent", "Tuner/2"}})) << request.address;
    }
}

TEST(StreamSessionEncryption, AVariantThatCannotBeDecryptedFailsAndTheNextOnePlays)
{
    const CipherKey key = keyFrom(0x31);
    const std::string keyTag = "#EXT-X-KEY:METHOD=AES-128,URI=\"https://keys.example/k\"\n";
    const struct {
        const char* name;
        std::string keyTag;
        std::optional<std::string> keyServed;  // none: 404
        CipherError makeError;                 // what making a decryptor answers
        StreamOpenResult alone;                      // when the variant is all there is
        std::size_t keyRequests;
    } cases[] = {
        // A key that does not come is retried with its segment, which is then skipped.
        {"its key is not there", keyTag, std::nullopt, cipherOk, StreamOpenResult::unreachable, 9},
        {"its key is 15 bytes", keyTag, keyText(key).substr(1), cipherOk, StreamOpenResult::unreachable, 9},
        {"its key is 17 bytes", keyTag, keyText(key) + "x", cipherOk, StreamOpenResult::unreachable, 9},
        // Garbage comes out, with broken padding: nothing in it looks like a stream.
        {"its key is the wrong one", keyTag, keyText(keyFrom(0x80)), cipherOk, StreamOpenResult::notSupported, 1},
        {"the system has no such cipher", keyTag, keyText(key), 0xC0000225, StreamOpenResult::unreachable, 1},
        {"its segments use sample encryption", "#EXT-X-KEY:METHOD=SAMPLE-AES,URI=\"https://keys.example/k\"\n",
         keyText(key), cipherOk, StreamOpenResult::notSupported, 0},
    };
    StreamSessionSettings settings = rigSettings();
    settings.fetch.scheduler.retryDelay = 0ms;
    for (const auto& c : cases) {
        for (const bool alone : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (alone ? ", alone" : ", then another variant"));
            SessionRig rig(settings);
            rig.cipher.failToMake(c.makeError);
            rig.http.serve("http://tv.example/master.m3u8",
                           "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=2000000\nhigh.m3u8\n"
                           "#EXT-X-STREAM-INF:BANDWIDTH=800000\nlow.m3u8\n");
            rig.http.serve("http://tv.example/high.m3u8", mediaPlaylist({"h0.ts", "h1.ts", "h2.ts"}, true, 0, c.keyTag));
            if (c.keyServed) rig.http.serve("https://keys.example/k", *c.keyServed);
            ProgramWriter writer;
            for (std::uint64_t i = 0; i < 3; ++i) {
                rig.http.serve("http://tv.example/h" + std::to_string(i) + ".ts",
                               FakeCipher::encrypt(key, ivOfSequence(i), asText(writer.piece(25))));
            }
            rig.http.serve("http://tv.example/low.m3u8", mediaPlaylist(segmentNames(2)));
            serveSegments(rig.http, "http://tv.example/", 2);

            if (alone) {
                EXPECT_EQ(rig.session.open("http://tv.example/high.m3u8"), c.alone);
                EXPECT_TRUE(rig.session.tracks().empty());
            } else {
                ASSERT_EQ(rig.session.open("http://tv.example/master.m3u8"), StreamOpenResult::opened);
                EXPECT_EQ(pullAll(rig.session)[0].size(), 50u);
            }
            const auto requested = rig.requestedAddresses();
            EXPECT_EQ(static_cast<std::size_t>(std::count(requested.begin(), requested.end(), "https://keys.example/k")),
                      c.keyRequests);
        }
    }
}

TEST(StreamSessionEncryption, OpensWhileTheFirstEncryptedSegmentIsStillArriving)
{
    const CipherKey key = keyFrom(0x55);
    const std::string cipher = FakeCipher::encrypt(key, ivOfSequence(0), asText(ProgramWriter().piece(50)));
    SessionRig rig;
    rig.http.serve("http://tv.example/live.m3u8",
                   mediaPlaylist({"seg0.ts"}, true, 0, "#EXT-X-KEY:METHOD=AES-128,URI=\"seg.key\"\n"));
    rig.http.serve("http://tv.example/seg.key", keyText(key));
    fakes::FakeHttpAnswer segment = inPieces(cipher, 0);
    segment.gate = std::make_shared<fakes::FakeHttpGate>();
    segment.gateAfter = cipher.size() * 3 / 4 + 5;  // inside a block
    rig.http.answer("http://tv.example/seg0.ts", segment);

    auto opening = std::async(std::launch::async, [&rig] { return rig.session.open("http://tv.example/live.m3u8"); });
    const bool openedEarly = opening.wait_for(10s) == std::future_status::ready;
    segment.gate->open();
    EXPECT_TRUE(openedEarly) << "the segment was not played until it had arrived whole";
    ASSERT_EQ(opening.get(), StreamOpenResult::opened);
    EXPECT_EQ(pullAll(rig.session)[0].size(), 50u);
}

}  // namespace
}  // namespace telvia::stream
