#include <chrono>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;

constexpr std::int64_t pictureTime = referenceTimePerSecond / 25;

fakes::FakeHttpAnswer stalling(const Bytes& body, std::shared_ptr<fakes::FakeHttpGate> gate,
                               std::optional<std::size_t> after)
{
    fakes::FakeHttpAnswer answer;
    answer.head.status = 200;
    answer.head.contentType = "video/mp2t";
    answer.body = asText(body);
    answer.gate = std::move(gate);
    answer.gateAfter = after;
    return answer;
}

TEST(StreamSessionStop, EndsAnOpenThatWaitsOnAStalledServer)
{
    const Bytes stream = ProgramWriter().piece(50);
    const struct {
        const char* name;
        std::string address;
        bool playlist;                  // the stall is in a segment of a playlist
        std::optional<std::size_t> at;  // where the server stalls; before its head if empty
        bool key = false;               // in the segment's key instead
    } cases[] = {
        {"before the head", "http://tv.example/live.ts", false, std::nullopt},
        {"after the tables, before a picture", "http://tv.example/live.ts", false, 2 * 188},
        {"in a segment", "http://tv.example/live.m3u8", true, 2 * 188},
        {"in a segment's key", "http://tv.example/live.m3u8", true, 5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        auto gate = std::make_shared<fakes::FakeHttpGate>();
        if (c.key) {
            rig.http.serve(c.address, mediaPlaylist({"seg0.ts"}, true, 0, "#EXT-X-KEY:METHOD=AES-128,URI=\"k.key\"\n"));
            rig.http.answer("http://tv.example/k.key", stalling(Bytes(16, 0x4B), gate, c.at));
        } else if (c.playlist) {
            rig.http.serve(c.address, mediaPlaylist({"seg0.ts"}));
            rig.http.answer("http://tv.example/seg0.ts", stalling(stream, gate, c.at));
        } else {
            rig.http.answer(c.address, stalling(stream, gate, c.at));
        }
        std::thread stopper([&] {
            gate->awaitHeld();
            rig.session.stop();
        });
        EXPECT_EQ(rig.session.open(c.address), StreamOpenResult::stopped);
        stopper.join();
        EXPECT_EQ(rig.http.cancels(), 1);
        EXPECT_FALSE(rig.session.nextSample(0).has_value());
    }
}

TEST(StreamSessionStop, WakesEveryTrackWaitingForSamples)
{
    SessionRig rig;
    const Bytes stream = ProgramWriter().piece(50);
    auto gate = std::make_shared<fakes::FakeHttpGate>();
    rig.http.answer("http://tv.example/live.ts", stalling(stream, gate, stream.size()));  // never ends

    ASSERT_EQ(rig.session.open("http://tv.example/live.ts"), StreamOpenResult::opened);
    std::vector<std::vector<StreamSample>> samples;
    std::thread consumer([&] { samples = pullAll(rig.session); });
    rig.events.awaitEvent();  // a track ran dry
    rig.session.stop();
    consumer.join();

    ASSERT_EQ(samples.size(), 2u);
    EXPECT_FALSE(samples[0].empty() && samples[1].empty());  // whichever ran dry had delivered
    EXPECT_LE(samples[0].size(), 50u);
    EXPECT_EQ(rig.events.events(), std::vector<bool>{true});
}

// Serves http://tv.example/live.ts: 25 pictures, then a stall until the gate opens, then
// 125 more.
std::shared_ptr<fakes::FakeHttpGate> serveStallingStream(SessionRig& rig)
{
    ProgramWriter writer;
    const Bytes first = writer.piece(25);
    Bytes stream = first;
    const Bytes rest = writer.piece(125);
    stream.insert(stream.end(), rest.begin(), rest.end());
    auto gate = std::make_shared<fakes::FakeHttpGate>();
    rig.http.answer("http://tv.example/live.ts", stalling(stream, gate, first.size()));
    return gate;
}

TEST(StreamSessionStop, TellsWhenPlaybackRunsDryAndWhenItHasEnoughAgain)
{
    SessionRig rig;
    const auto gate = serveStallingStream(rig);
    // The server comes back once the player has run dry.
    rig.events.onEvent([gate](bool started) {
        if (started) gate->open();
    });

    ASSERT_EQ(rig.session.open("http://tv.example/live.ts"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    rig.session.stop();  // every event told

    // Ran dry at the stall, and had enough again once the server came back. A consumer as
    // quick as this one may catch up with the download again later: the events then come
    // in further pairs.
    const std::vector<bool> events = rig.events.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.size() % 2, 0u);
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i], i % 2 == 0) << i;
    }
    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 150u);  // nothing lost to the stall
    for (std::size_t i = 0; i < video.size(); ++i) {
        ASSERT_EQ(video[i].start, static_cast<std::int64_t>(i) * pictureTime) << i;
        ASSERT_FALSE(video[i].discontinuity) << i;
    }
}

// The player's clock ran on through the stall: what comes after it is handed out that much
// later, so that it is on time instead of late.
TEST(StreamSessionStop, MovesWhatComesAfterAStallByTheStallsLength)
{
    SessionRig rig;
    const auto gate = serveStallingStream(rig);
    const std::chrono::milliseconds stall(3000);
    bool stalled = false;
    rig.events.onEvent([&](bool started) {
        if (started && !stalled) {
            stalled = true;
            rig.clock.advance(stall);
            gate->open();
        }
    });

    ASSERT_EQ(rig.session.open("http://tv.example/live.ts"), StreamOpenResult::opened);
    const auto samples = pullAll(rig.session);
    rig.session.stop();

    const std::vector<StreamSample>& video = samples[0];
    ASSERT_EQ(video.size(), 150u);
    const std::int64_t shift = stall.count() * (referenceTimePerSecond / 1000);
    std::size_t firstMoved = video.size();
    for (std::size_t i = 0; i < video.size(); ++i) {
        const std::int64_t stamped = static_cast<std::int64_t>(i) * pictureTime;
        if (firstMoved == video.size() && video[i].start != stamped) {
            firstMoved = i;
        }
        ASSERT_EQ(video[i].start, stamped + (i < firstMoved ? 0 : shift)) << i;
    }
    // Everything after the stall moved; what was handed out before it did not. (Which
    // queued pictures move depends on which track ran dry first: the pulling threads here
    // are not paced by a clock.)
    EXPECT_LE(firstMoved, 25u);
}

// Whatever goes wrong inside the fetch thread ends the stream or fails the opening; it
// never leaves the thread, which would end the process.
TEST(StreamSessionStop, AFailureInsideTheFetchThreadEndsTheStreamInsteadOfTheProcess)
{
    const struct {
        const char* name;
        int failingRequest;  // the request whose making throws
        StreamOpenResult expected;
    } cases[] = {{"while opening", 1, StreamOpenResult::unreachable}, {"while playing", 3, StreamOpenResult::opened}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        rig.http.serve("http://tv.example/index.m3u8", mediaPlaylist(segmentNames(3)));
        serveSegments(rig.http, "http://tv.example/", 3);
        int requests = 0;
        rig.http.onGet([&](const HttpRequest&) {
            if (++requests == c.failingRequest) throw std::bad_alloc();
        });
        ASSERT_EQ(rig.session.open("http://tv.example/index.m3u8"), c.expected);
        if (c.expected == StreamOpenResult::opened) {
            // What came of the first segment plays, then the stream ends.
            EXPECT_FALSE(pullAll(rig.session)[0].empty());
        }
    }
}

}  // namespace
}  // namespace telvia::stream
