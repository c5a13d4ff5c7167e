#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/media_source_bridge.h"

namespace telvia::stream {
namespace {

// A session that answers from a script and keeps what it was asked.
class ScriptedSession final : public MediaSource {
public:
    explicit ScriptedSession(MediaSourceEvents& reportTo) : events(reportTo) {}

    OpenStatus open(std::string_view address) override
    {
        openedAddress = std::string(address);
        return status;
    }
    std::span<const TrackFormat> tracks() const override { return formats; }
    std::optional<MediaSample> nextSample(std::size_t track) override
    {
        askedTrack = track;
        if (samples.empty()) {
            return std::nullopt;
        }
        MediaSample sample = samples.front();
        samples.erase(samples.begin());
        return sample;
    }
    void stop() override { stopped = true; }

    MediaSourceEvents& events;
    OpenStatus status = OpenStatus::opened;
    std::vector<TrackFormat> formats;
    std::vector<MediaSample> samples;
    std::string openedAddress;
    std::size_t askedTrack = 99;
    bool stopped = false;
};

class RecordedEvents final : public StreamSourceEvents {
public:
    void onBuffering(bool started) override { reports.push_back(started); }
    std::vector<bool> reports;
};

struct Bridged {
    RecordedEvents events;
    ScriptedSession* session = nullptr;
    std::unique_ptr<StreamSourcePort> source;
};

void bridge(Bridged& bridged)
{
    const StreamSourceFactory factory =
        bridgeToStreamSourcePort([&bridged](MediaSourceEvents& events) {
            auto session = std::make_unique<ScriptedSession>(events);
            bridged.session = session.get();
            return session;
        });
    bridged.source = factory(bridged.events);
}

TEST(MediaSourceBridge, CarriesEveryFormatFieldOfEachTrack)
{
    TrackFormat video;
    video.kind = EsKind::h264;
    video.video = {1280, 720, 4, 3, 100, 40, 50, 2, {0, 0, 0, 1, 0x67, 0, 0, 0, 1, 0x68}};
    TrackFormat aac;
    aac.kind = EsKind::aacAdts;
    aac.audio = {48000, 2, 2, 0, 0};
    TrackFormat mpeg;
    mpeg.kind = EsKind::mpegAudio;
    mpeg.audio = {44100, 1, 0, 3, 128000};

    const struct {
        TrackFormat format;
        StreamTrackKind kind;
    } cases[] = {
        {video, StreamTrackKind::h264Video},
        {aac, StreamTrackKind::aacAdtsAudio},
        {mpeg, StreamTrackKind::mpegAudio},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const StreamTrackFormat port = toPortFormat(cases[i].format);
        const VideoTrackFormat& v = cases[i].format.video;
        const AudioTrackFormat& a = cases[i].format.audio;
        EXPECT_EQ(port.kind, cases[i].kind) << i;
        EXPECT_EQ(port.video.width, v.width) << i;
        EXPECT_EQ(port.video.height, v.height) << i;
        EXPECT_EQ(port.video.sarWidth, v.sarWidth) << i;
        EXPECT_EQ(port.video.sarHeight, v.sarHeight) << i;
        EXPECT_EQ(port.video.profile, v.profile) << i;
        EXPECT_EQ(port.video.level, v.level) << i;
        EXPECT_EQ(port.video.frameRateNumerator, v.frameRateNumerator) << i;
        EXPECT_EQ(port.video.frameRateDenominator, v.frameRateDenominator) << i;
        EXPECT_EQ(port.video.parameterSets, v.parameterSets) << i;
        EXPECT_EQ(port.audio.sampleRate, a.sampleRate) << i;
        EXPECT_EQ(port.audio.channels, a.channels) << i;
        EXPECT_EQ(port.audio.aacObjectType, a.aacObjectType) << i;
        EXPECT_EQ(port.audio.mpegLayer, a.mpegLayer) << i;
        EXPECT_EQ(port.audio.bitrate, a.bitrate) << i;
    }
}

TEST(MediaSourceBridge, AnswersEachOpenStatusWithItsPortResult)
{
    const struct {
        OpenStatus status;
        StreamOpenResult result;
    } cases[] = {
        {OpenStatus::opened, StreamOpenResult::opened},
        {OpenStatus::unreachable, StreamOpenResult::unreachable},
        {OpenStatus::notSupported, StreamOpenResult::notSupported},
        {OpenStatus::noPlayableTrack, StreamOpenResult::noPlayableTrack},
        {OpenStatus::stopped, StreamOpenResult::stopped},
    };
    for (const auto& c : cases) {
        Bridged bridged;
        bridge(bridged);
        bridged.session->status = c.status;
        TrackFormat audio;
        audio.kind = EsKind::mpegAudio;
        bridged.session->formats = {audio};
        EXPECT_EQ(bridged.source->open("http://radio.example/live"), c.result);
        EXPECT_EQ(bridged.session->openedAddress, "http://radio.example/live");
        // Tracks are known only after an open that succeeded.
        EXPECT_EQ(bridged.source->tracks().size(), c.status == OpenStatus::opened ? 1U : 0U);
    }
}

TEST(MediaSourceBridge, HandsOnSamplesBufferingAndStop)
{
    Bridged bridged;
    bridge(bridged);
    bridged.session->samples = {{{1, 2, 3}, 4'000'000, true, false}, {{9}, 5'000'000, false, true}};

    const std::optional<StreamSample> first = bridged.source->nextSample(1);
    ASSERT_TRUE(first);
    EXPECT_EQ(bridged.session->askedTrack, 1U);
    EXPECT_EQ(first->data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(first->start, 4'000'000);
    EXPECT_TRUE(first->keyFrame);
    EXPECT_FALSE(first->discontinuity);
    const std::optional<StreamSample> second = bridged.source->nextSample(0);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->keyFrame);
    EXPECT_TRUE(second->discontinuity);
    EXPECT_FALSE(bridged.source->nextSample(0));

    bridged.session->events.onBuffering(true);
    bridged.session->events.onBuffering(false);
    EXPECT_EQ(bridged.events.reports, (std::vector<bool>{true, false}));

    bridged.source->stop();
    EXPECT_TRUE(bridged.session->stopped);
}

TEST(MediaSourceBridge, GivesNoSourceWhenNoSessionWasMade)
{
    RecordedEvents events;
    const StreamSourceFactory factory =
        bridgeToStreamSourcePort([](MediaSourceEvents&) { return std::unique_ptr<MediaSource>(); });
    EXPECT_EQ(factory(events), nullptr);
}

}  // namespace
}  // namespace telvia::stream
