#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;
using namespace std::chrono_literals;

// 20 MP3 frames from `firstFrame` on, served as a radio stream whose body ends with `end`.
fakes::FakeHttpAnswer radioAnswer(int firstFrame, HttpError end)
{
    fakes::FakeHttpAnswer answer;
    answer.head.status = 200;
    answer.head.contentType = "audio/mpeg";
    for (int i = firstFrame; i < firstFrame + 20; ++i) {
        const Bytes frame = mp3Frame(static_cast<std::uint8_t>(i + 1));
        answer.body.append(frame.begin(), frame.end());
    }
    answer.largestRead = 1000;
    answer.errorAfterBody = end;
    return answer;
}

fakes::FakeHttpAnswer notFound()
{
    fakes::FakeHttpAnswer answer;
    answer.head.status = 404;
    return answer;
}

// A radio stream whose connection breaks off is asked for again; a body that ends is the
// end. The delay between attempts is zero here: the attempts, not the waiting, are tested.
TEST(PlainStreamPlayback, AsksForAPlainStreamAgainWhenItsConnectionBreaksOff)
{
    enum class Later : std::uint8_t { moreAudio, notFound, nothing };
    struct Case {
        const char* name;
        HttpError firstEnd;    // how the first answer's body ends
        Later later;           // what every later request gets
        std::size_t requests;  // made in all
        std::size_t frames;    // played in all
    };
    const Case cases[] = {
        {"picked up again", httpErrorConnectionError, Later::moreAudio, 2, 40},
        {"a time-out is a break too", httpErrorTimeout, Later::moreAudio, 2, 40},
        {"three attempts that bring nothing, then the end", httpErrorConnectionError, Later::notFound, 4, 20},
        {"a body that ends is the end", httpOk, Later::moreAudio, 1, 20},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        StreamSessionSettings settings = rigSettings();
        settings.fetch.reconnectDelay = std::chrono::milliseconds(0);
        SessionRig rig(settings);
        const std::string address = "http://radio.example/stream.mp3";
        rig.http.answer(address, radioAnswer(0, test.firstEnd));
        int gets = 0;
        rig.http.onGet([&](const HttpRequest&) {
            if (++gets != 2) return;
            if (test.later == Later::moreAudio) {
                rig.http.answer(address, radioAnswer(20, httpOk));
            } else {
                rig.http.answer(address, notFound());
            }
        });

        ASSERT_EQ(rig.session.open(address), StreamOpenResult::opened);
        const auto samples = pullAll(rig.session);
        rig.session.stop();

        EXPECT_EQ(rig.http.requestsSoFar().size(), test.requests);
        ASSERT_EQ(samples[0].size(), test.frames);
        for (std::size_t i = 0; i < samples[0].size(); ++i) {
            EXPECT_EQ(samples[0][i].data, mp3Frame(static_cast<std::uint8_t>(i + 1))) << i;
            // The gap is marked where the new connection's audio begins.
            EXPECT_EQ(samples[0][i].discontinuity, i == 20) << i;
        }
    }
}

// The wait before each new attempt doubles with every attempt in a row that brings
// nothing, and starts again at the first delay once one brings audio.
TEST(PlainStreamPlayback, WaitsLongerBeforeEachAttemptThatFollowsOneThatBroughtNothing)
{
    struct Case {
        const char* name;
        std::vector<bool> brings;                       // whether each attempt after the first brings audio
        std::vector<std::chrono::milliseconds> waits;   // before each attempt
    };
    const Case cases[] = {
        {"nothing comes back", {false, false, false}, {1000ms, 2000ms, 4000ms}},
        {"audio after two misses resets the count", {false, true, false, false, false},
         {1000ms, 2000ms, 1000ms, 2000ms, 4000ms}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        SessionRig rig;  // the default delay: 1 s
        const std::string address = "http://radio.example/stream.mp3";
        std::size_t requests = 0;
        rig.http.onGet([&](const HttpRequest&) {
            // The first request plays until its connection breaks; each later one is an attempt.
            const std::size_t attempt = requests++;
            const bool brings = attempt == 0 || (attempt <= test.brings.size() && test.brings[attempt - 1]);
            rig.http.answer(address, brings ? radioAnswer(attempt == 0 ? 0 : 20, httpErrorConnectionError) : notFound());
        });
        ASSERT_EQ(rig.session.open(address), StreamOpenResult::opened);

        std::vector<std::chrono::milliseconds> waits;
        for (std::size_t i = 0; i < test.waits.size(); ++i) {
            const std::chrono::milliseconds wakeAt = rig.clock.awaitSleeper();
            waits.push_back(wakeAt - rig.clock.now());
            rig.clock.advance(wakeAt - rig.clock.now());
        }
        pullAll(rig.session);  // the attempts are used up: the stream ends
        EXPECT_EQ(waits, test.waits);
        EXPECT_EQ(rig.http.requestsSoFar().size(), test.waits.size() + 1);
    }
}

}  // namespace
}  // namespace telvia::stream
