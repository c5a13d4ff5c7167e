#include <algorithm>
#include <optional>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/delivery/sample_assembler.h"
#include "program_writer.h"

namespace telvia::stream {
namespace {

using namespace testing;

constexpr std::uint16_t videoPid = 0x100;
constexpr std::uint16_t audioPid = 0x101;
const std::vector<StreamDescription> program = {{StreamId{videoPid}, StreamTrackKind::h264}, {StreamId{audioPid}, StreamTrackKind::aacAdts}};

AccessUnit picture(std::uint64_t pts, bool key, bool withParameterSets = true)
{
    AccessUnit unit{StreamId{videoPid}, StreamTrackKind::h264, pts, std::nullopt, {0, 0, 0, 1}, key, false};
    if (key && withParameterSets) {
        unit.data.insert(unit.data.end(), sps160x120.begin(), sps160x120.end());
        unit.data.insert(unit.data.end(), {0, 0, 0, 1});
        unit.data.insert(unit.data.end(), pps.begin(), pps.end());
        unit.data.insert(unit.data.end(), {0, 0, 0, 1});
    }
    unit.data.insert(unit.data.end(), {static_cast<std::uint8_t>(key ? 0x65 : 0x41), 0x88});
    return unit;
}

AccessUnit audioFrame(std::uint64_t pts)
{
    return AccessUnit{StreamId{audioPid}, StreamTrackKind::aacAdts, pts, std::nullopt, adtsFrame(100, 1), true, false};
}

struct Pulled {
    std::size_t track;
    std::int64_t start;
    bool discontinuity;

    friend bool operator==(const Pulled&, const Pulled&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Pulled& p)
    {
        return out << "{track " << p.track << ", " << p.start << (p.discontinuity ? ", discontinuity}" : "}");
    }
};

std::vector<Pulled> pull(SampleAssembler& assembler)
{
    std::vector<Pulled> out;
    for (const TrackSample& s : assembler.takeSamples()) out.push_back({s.track, s.sample.start, s.sample.discontinuity});
    return out;
}

// 90 kHz stream ticks in 100 ns units.
constexpr std::int64_t ticks(std::int64_t n) { return n * 1000 / 9; }

TEST(SampleAssembler, StartsAtTheFirstKeyFrameWithItsParameterSetsAndAudioFromThereOn)
{
    SampleAssembler assembler;
    assembler.setProgram(program);
    EXPECT_EQ(assembler.state(), SampleAssembler::State::awaitingFormats);
    assembler.push(audioFrame(90000));            // before any picture
    assembler.push(picture(90900, false));        // cannot be decoded alone
    assembler.push(picture(94500, true, false));  // a key frame, but no parameter sets yet
    assembler.push(picture(98100, true));         // the start: time 0
    assembler.push(audioFrame(96300));            // muxed late, yet before the start
    EXPECT_EQ(assembler.state(), SampleAssembler::State::awaitingFormats);
    EXPECT_TRUE(pull(assembler).empty());
    assembler.push(audioFrame(98100 + 1800));
    ASSERT_EQ(assembler.state(), SampleAssembler::State::ready);
    assembler.push(picture(98100 + 3600, false));

    ASSERT_EQ(assembler.tracks().size(), 2u);
    EXPECT_EQ(assembler.tracks()[0].video.width, 160u);
    EXPECT_EQ(assembler.tracks()[1].audio.sampleRate, 48000u);
    const std::vector<Pulled> expected = {{0, 0, false}, {1, ticks(1800), false}, {0, ticks(3600), false}};
    EXPECT_EQ(pull(assembler), expected);
}

TEST(SampleAssembler, PlaysTheVideoAloneWhenTheListedAudioNeverComes)
{
    SampleAssembler assembler;
    assembler.setProgram(program);
    std::uint64_t pts = 1000;
    for (int i = 0; i < 5 * 25; ++i, pts += 3600) assembler.push(picture(pts, i == 0));
    EXPECT_EQ(assembler.state(), SampleAssembler::State::awaitingFormats);
    assembler.push(picture(pts, false));  // five seconds after the key frame
    ASSERT_EQ(assembler.state(), SampleAssembler::State::ready);
    ASSERT_EQ(assembler.tracks().size(), 1u);
    EXPECT_EQ(assembler.takeSamples().size(), 126u);
    assembler.push(audioFrame(pts));  // too late: the tracks are told
    EXPECT_TRUE(assembler.takeSamples().empty());
}

TEST(SampleAssembler, StagesNoMoreThanItsLimitsWhenPicturesTimesStandStill)
{
    // Pictures whose times never move never show the patience's while: the staging
    // limits end the wait instead, and the video plays alone.
    const struct {
        const char* name;
        std::size_t unitLimit;
        std::size_t byteLimit;
        std::size_t pictureBytes;
        std::size_t picturesToStart;
    } cases[] = {
        {"by number", 50, 1024 * 1024, 10, 50},
        {"by bytes", 100000, 1000, 100, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AssemblerSettings settings;
        settings.stagedUnitLimit = c.unitLimit;
        settings.stagedByteLimit = c.byteLimit;
        SampleAssembler assembler(settings);
        assembler.setProgram(program);
        std::size_t pushed = 0;
        while (assembler.state() == SampleAssembler::State::awaitingFormats && pushed < 2 * c.picturesToStart) {
            AccessUnit unit = picture(1000, pushed == 0);
            unit.data.resize(std::max(unit.data.size(), c.pictureBytes), 0x88);
            assembler.push(std::move(unit));
            ++pushed;
        }
        ASSERT_EQ(assembler.state(), SampleAssembler::State::ready);
        EXPECT_LE(pushed, c.picturesToStart);
        EXPECT_EQ(assembler.tracks().size(), 1u);
    }
}

TEST(SampleAssembler, StagedAudioBeforeTheKeyFrameStaysWithinTheByteLimit)
{
    AssemblerSettings settings;
    settings.stagedByteLimit = 1000;  // ten frames of 100 bytes
    SampleAssembler assembler(settings);
    assembler.setProgram(program);
    for (std::uint64_t i = 0; i < 100; ++i) assembler.push(audioFrame(1000 + i * 1920));
    assembler.push(picture(1000 + 50 * 1920, true));
    ASSERT_EQ(assembler.state(), SampleAssembler::State::ready);
    // Fifty frames come after the key frame, but only the last ten were kept.
    const std::vector<Pulled> pulled = pull(assembler);
    EXPECT_EQ(std::count_if(pulled.begin(), pulled.end(), [](const Pulled& p) { return p.track == 1; }), 10);
}

TEST(SampleAssembler, ContinuesTheTimelineAcrossAnnouncedDiscontinuitiesAndMarksLoss)
{
    SampleAssembler assembler;
    assembler.setProgram(program);
    assembler.push(picture(900000, true));
    assembler.push(audioFrame(900000));
    assembler.push(picture(903600, false));
    pull(assembler);

    assembler.discontinuity();
    assembler.push(audioFrame(0));  // a restarted clock
    assembler.push(picture(0, true));
    assembler.loss();
    assembler.push(picture(3600, false));
    AccessUnit damaged = audioFrame(1920);
    damaged.afterLoss = true;
    assembler.push(damaged);

    const std::int64_t resumed = ticks(3600) + TimestampMapper::discontinuityGap;
    const std::vector<Pulled> expected = {{1, resumed, true},
                                          {0, resumed, true},
                                          {0, resumed + ticks(3600), true},
                                          {1, resumed + ticks(1920), true}};
    EXPECT_EQ(pull(assembler), expected);
}

TEST(SampleAssembler, TreatsAClockThatGoesBackUnannouncedAsARestart)
{
    // An encoder restarts: its clock goes back three seconds, the pictures first; two
    // audio frames of the old clock were still on their way.
    SampleAssembler assembler;
    assembler.setProgram(program);
    assembler.push(picture(900000, true));
    assembler.push(audioFrame(900000));
    assembler.push(picture(903600, false));
    assembler.push(audioFrame(901920));
    pull(assembler);

    const std::uint64_t restart = 903600 - 3 * 90000;
    assembler.push(picture(restart, true));
    assembler.push(audioFrame(903840));  // the old clock: dropped
    assembler.push(audioFrame(905760));  // the old clock: dropped
    assembler.push(audioFrame(restart));
    assembler.push(picture(restart + 3600, false));
    assembler.push(audioFrame(restart + 1920));

    const std::int64_t resumed = ticks(3600) + TimestampMapper::discontinuityGap;
    const std::vector<Pulled> expected = {{0, resumed, true},
                                          {1, resumed, true},
                                          {0, resumed + ticks(3600), false},
                                          {1, resumed + ticks(1920), false}};
    EXPECT_EQ(pull(assembler), expected);

    // Presentation times of reordered pictures go back without any restart.
    assembler.push(picture(restart + 3 * 3600, false));
    AccessUnit reordered = picture(restart + 2 * 3600, false);
    reordered.dts = restart + 4 * 3600;
    assembler.push(reordered);
    const std::vector<Pulled> after = pull(assembler);
    ASSERT_EQ(after.size(), 2u);
    EXPECT_FALSE(after[0].discontinuity || after[1].discontinuity);
}

TEST(SampleAssembler, SoundThatChangesItsFormatGoesOnOnTheAudioTrackWithTheNewFormat)
{
    constexpr std::uint16_t otherPid = 0x102;
    AccessUnit aac44k = audioFrame(0);
    aac44k.data[2] = 0x50;  // sampling frequency index 4: 44.1 kHz
    AccessUnit mp2 = audioFrame(0);
    mp2.kind = StreamTrackKind::mpegAudio;
    mp2.data = mpegAudioFrame(0x11);
    AccessUnit mp2Elsewhere = mp2;
    mp2Elsewhere.stream = StreamId{otherPid};
    AccessUnit mp2OtherRate = mp2;
    mp2OtherRate.data[2] = 0x54;  // 80 kb/s: only the bit rate differs

    struct Case {
        const char* what;
        std::vector<StreamDescription> programAfter;
        AccessUnit changed;
        std::optional<StreamTrackFormat> expected;  // the format the first changed frame opens
    };
    const std::vector<Case> cases = {
        {"the stream switches to MPEG audio", {program[0], {StreamId{audioPid}, StreamTrackKind::mpegAudio}}, mp2,
         StreamTrackFormat{StreamTrackKind::mpegAudio, {}, {48000, 1, 0, 2, 64000}}},
        {"MPEG audio on another stream takes over", {program[0], {StreamId{otherPid}, StreamTrackKind::mpegAudio}},
         mp2Elsewhere, StreamTrackFormat{StreamTrackKind::mpegAudio, {}, {48000, 1, 0, 2, 64000}}},
        {"AAC at another rate", program, aac44k, StreamTrackFormat{StreamTrackKind::aacAdts, {}, {44100, 2, 2, 0, 0}}},
        {"the same AAC", program, audioFrame(0), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SampleAssembler assembler;
        assembler.setProgram(program);
        assembler.push(picture(1000, true));
        assembler.push(audioFrame(1000));
        ASSERT_EQ(assembler.state(), SampleAssembler::State::ready);
        assembler.setProgram(c.programAfter);
        for (std::uint64_t i = 0; i < 3; ++i) {
            AccessUnit frame = c.changed;
            frame.pts = 1000 + (i + 1) * 1920;
            assembler.push(std::move(frame));
        }
        const std::vector<TrackSample> samples = assembler.takeSamples();
        ASSERT_EQ(samples.size(), 5u);  // the picture, the first frame and three after the change
        EXPECT_EQ(samples[1].sample.newFormat, nullptr) << "the format the track opened with";
        const StreamSample& first = samples[2].sample;
        EXPECT_EQ(samples[2].track, 1u);
        if (!c.expected) {
            EXPECT_EQ(first.newFormat, nullptr);
            continue;
        }
        ASSERT_NE(first.newFormat, nullptr);
        EXPECT_EQ(first.newFormat->kind, c.expected->kind);
        EXPECT_EQ(first.newFormat->audio.sampleRate, c.expected->audio.sampleRate);
        EXPECT_EQ(first.newFormat->audio.channels, c.expected->audio.channels);
        EXPECT_EQ(first.newFormat->audio.mpegLayer, c.expected->audio.mpegLayer);
        EXPECT_EQ(samples[3].sample.newFormat, nullptr) << "told once";
        EXPECT_EQ(samples[4].sample.newFormat, nullptr);
    }

    // A bit rate that changes from frame to frame is nothing new to a decoder.
    SampleAssembler radio;
    const std::vector<StreamDescription> mp2Program = {{StreamId{audioPid}, StreamTrackKind::mpegAudio}};
    radio.setProgram(mp2Program);
    radio.push(mp2);
    mp2OtherRate.pts = 1920;
    radio.push(mp2OtherRate);
    const std::vector<TrackSample> radioSamples = radio.takeSamples();
    ASSERT_EQ(radioSamples.size(), 2u);
    EXPECT_EQ(radioSamples[1].sample.newFormat, nullptr);
}

TEST(SampleAssembler, FindsNothingToPlayInAProgramOfOtherCodecs)
{
    SampleAssembler assembler;
    assembler.setProgram(std::vector<StreamDescription>{{StreamId{0x100}, std::nullopt}, {StreamId{0x101}, std::nullopt}});
    EXPECT_EQ(assembler.state(), SampleAssembler::State::noPlayableTrack);

    SampleAssembler audioOnly;
    audioOnly.setProgram(std::vector<StreamDescription>{{StreamId{0x100}, std::nullopt}, {StreamId{audioPid}, StreamTrackKind::aacAdts}});
    audioOnly.push(audioFrame(5000));
    ASSERT_EQ(audioOnly.state(), SampleAssembler::State::ready);
    ASSERT_EQ(audioOnly.tracks().size(), 1u);
    EXPECT_EQ(audioOnly.tracks()[0].kind, StreamTrackKind::aacAdts);
}

}  // namespace
}  // namespace telvia::stream
