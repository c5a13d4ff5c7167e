#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "fake_stream_clock.h"
#include "playback/stream/session/media_pipeline.h"
#include "program_writer.h"
#include "session_rig.h"

namespace telvia::stream {
namespace {

using namespace testing;

// A main reader the test scripts: it shows its program and its units when told to.
class ScriptedReader final : public UnitReader {
public:
    void feed(std::span<const std::uint8_t> /*bytes*/) override {}
    void finish() override {}
    std::vector<AccessUnit> takeAccessUnits() override { return std::exchange(units_, {}); }
    std::optional<std::span<const StreamDescription>> program() const override
    {
        return shown_ ? std::optional(std::span<const StreamDescription>(streams_)) : std::nullopt;
    }

    void show(std::vector<StreamDescription> streams, std::vector<AccessUnit> units)
    {
        streams_ = std::move(streams);
        units_ = std::move(units);
        shown_ = true;
    }

private:
    std::vector<StreamDescription> streams_;
    std::vector<AccessUnit> units_;
    bool shown_ = false;
};

AccessUnit keyPicture()
{
    AccessUnit unit{StreamId{0x100}, StreamTrackKind::h264, 0, std::nullopt, {}, true, false};
    for (const Bytes* set : {&sps160x120, &pps}) {
        unit.data.insert(unit.data.end(), {0, 0, 0, 1});
        unit.data.insert(unit.data.end(), set->begin(), set->end());
    }
    unit.data.insert(unit.data.end(), {0, 0, 0, 1, 0x65, 0x88});
    return unit;
}

// Audio of a separate rendition that comes while the pictures do not yet show their
// program is held, but only the newest of it, so that pictures that never show it cannot
// make the audio pile up.
TEST(MediaPipeline, HoldsOnlyTheNewestRenditionAudioWhileThePicturesProgramIsAwaited)
{
    fakes::FakeStreamClock clock;
    RecordingEvents events;
    SampleExchange exchange(clock, events, BufferSettings{});
    auto reader = std::make_unique<ScriptedReader>();
    ScriptedReader& pictures = *reader;
    constexpr std::size_t heldLimit = 8;
    MediaPipeline pipeline(exchange, std::move(reader), AssemblerSettings{}, heldLimit);
    pipeline.addRendition(AssemblerSettings{});

    // Packed AAC: 20 frames timed from 0 on, each filled with its number.
    Bytes segment;
    for (std::uint8_t i = 1; i <= 20; ++i) {
        const Bytes frame = adtsFrame(100, i);
        segment.insert(segment.end(), frame.begin(), frame.end());
    }
    ASSERT_TRUE(pipeline.feed(segment, MediaPipeline::Input::rendition));
    pipeline.endRenditionSegment();
    EXPECT_FALSE(pipeline.opened());

    pictures.show({StreamDescription{StreamId{0x100}, StreamTrackKind::h264}}, {keyPicture()});
    ASSERT_TRUE(pipeline.feed(Bytes{0}));
    ASSERT_TRUE(pipeline.opened());
    exchange.finish(StreamOpenResult::opened);

    ASSERT_EQ(exchange.tracks().size(), 2u);
    std::vector<Bytes> audio;
    while (const std::optional<StreamSample> sample = exchange.next(1)) {
        audio.push_back(sample->data);
    }
    ASSERT_EQ(audio.size(), heldLimit);
    for (std::size_t i = 0; i < audio.size(); ++i) {
        EXPECT_EQ(audio[i], adtsFrame(100, static_cast<std::uint8_t>(20 - heldLimit + 1 + i))) << i;
    }
}

}  // namespace
}  // namespace telvia::stream
