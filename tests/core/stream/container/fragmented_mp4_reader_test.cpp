#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mp4_builder.h"
#include "playback/stream/container/adts_header.h"
#include "playback/stream/container/annexb.h"
#include "playback/stream/container/fragmented_mp4_reader.h"
#include "playback/stream/container/mp4_audio_config.h"
#include "program_writer.h"

namespace telvia::stream {
namespace {

using namespace testing;

constexpr std::uint32_t videoId = 1;
constexpr std::uint32_t audioId = 2;

// An AudioSpecificConfig written field by field: (bit count, value) pairs.
Bytes bitFields(std::initializer_list<std::pair<unsigned, std::uint32_t>> fields)
{
    Bytes out;
    unsigned used = 0;
    for (const auto& [count, value] : fields) {
        for (unsigned i = count; i-- > 0;) {
            if (used % 8 == 0) out.push_back(0);
            if (((value >> i) & 1u) != 0) out.back() |= static_cast<std::uint8_t>(0x80u >> (used % 8));
            ++used;
        }
    }
    return out;
}

const Bytes aacLc48kStereo = bitFields({{5, 2}, {4, 3}, {4, 2}, {3, 0}});

Bytes videoTrak(const std::string& entry = "avc1", std::uint8_t lengthSize = 4, std::uint32_t timescale = 90000)
{
    return trak(videoId, "vide", timescale, visualEntry(entry, avcC({sps160x120}, {pps}, lengthSize)));
}

Bytes audioTrak(const Bytes& esdsBox = esds(0x40, aacLc48kStereo), std::uint32_t timescale = 48000)
{
    return trak(audioId, "soun", timescale, audioEntry("mp4a", esdsBox));
}

const Bytes idrSlice = {0x65, 0x88, 0x84, 0x00, 0x33};
const Bytes plainSlice = {0x41, 0x9A, 0x02, 0x04};
const Bytes aud = {0x09, 0xF0};

Bytes annexB(const std::vector<Bytes>& units)
{
    Bytes out;
    for (const Bytes& unit : units) {
        out.insert(out.end(), {0, 0, 0, 1});
        out.insert(out.end(), unit.begin(), unit.end());
    }
    return out;
}

std::vector<AccessUnit> readAll(FragmentedMp4Reader& reader, const Bytes& bytes, std::size_t piece = 0)
{
    if (piece == 0) piece = bytes.size();
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        reader.feed(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at)));
    }
    reader.finish();
    return reader.takeAccessUnits();
}

// One fragment of two pictures (a key frame shown later than it is decoded, then a
// picture that depends on it) and two AAC frames, behind an initialisation segment.
Bytes videoAndAudio()
{
    const Bytes key = lengthPrefixed({aud, idrSlice});
    const Bytes next = lengthPrefixed({plainSlice});
    const Bytes frame1(20, 0x21);
    const Bytes frame2(30, 0x22);
    TrackFragment video = trackFragment(videoId, 900000);
    video.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(key.size()), syncFlags, 7200), runSample(3600, static_cast<std::uint32_t>(next.size()), nonSyncFlags, 0)}));
    TrackFragment audio = trackFragment(audioId, 480000);
    audio.defaultDuration = 1024;
    audio.runs.push_back(trackRun({runSample(std::nullopt, 20), runSample(std::nullopt, 30)}, static_cast<std::uint32_t>(key.size() + next.size()), 0));
    return concat({ftyp(), moov({videoTrak(), audioTrak()}), box("styp", text("msdh")),
                   box("sidx", Bytes(24, 0)), fragment({video, audio}, concat({key, next, frame1, frame2}))});
}

TEST(FragmentedMp4Reader, GivesTheUnitsATransportStreamWouldInAnyPieces)
{
    for (const std::size_t piece : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{100}}) {
        SCOPED_TRACE(piece);
        FragmentedMp4Reader reader;
        const std::vector<AccessUnit> units = readAll(reader, videoAndAudio(), piece);
        const auto program = reader.program();
        ASSERT_TRUE(program);
        ASSERT_EQ(program->size(), 2u);
        EXPECT_EQ((*program)[0], (StreamDescription{StreamId{videoId}, StreamTrackKind::h264}));
        EXPECT_EQ((*program)[1], (StreamDescription{StreamId{audioId}, StreamTrackKind::aacAdts}));
        ASSERT_EQ(units.size(), 4u);

        // In the order the data lie: both pictures, then the audio.
        EXPECT_EQ(units[0].data, annexB({aud, sps160x120, pps, idrSlice}));
        EXPECT_TRUE(units[0].keyFrame);
        EXPECT_EQ(units[0].pts, 907200u);
        EXPECT_EQ(units[0].dts, 900000u);
        EXPECT_EQ(units[1].data, annexB({plainSlice}));
        EXPECT_FALSE(units[1].keyFrame);
        EXPECT_EQ(units[1].pts, 903600u);
        EXPECT_EQ(units[1].dts, std::nullopt) << "no decoding time when it equals the presentation time";

        for (std::size_t i = 2; i < 4; ++i) {
            const auto header = parseAdtsHeader(units[i].data);
            ASSERT_TRUE(header);
            EXPECT_EQ(units[i].kind, StreamTrackKind::aacAdts);
            EXPECT_EQ(header->audioObjectType, 2);
            EXPECT_EQ(header->sampleRate, 48000u);
            EXPECT_EQ(header->channelConfiguration, 2);
            EXPECT_EQ(header->frameLength, units[i].data.size());
            EXPECT_EQ(units[i].data.size(), 7u + (i == 2 ? 20u : 30u));
        }
        EXPECT_EQ(units[2].pts, 900000u);
        EXPECT_EQ(units[3].pts, 901920u);
        EXPECT_EQ(reader.stats().lostSamples, 0u);
    }
}

// Where a sample's time and key-frame mark come from, and how they reach the 90 kHz clock.
TEST(FragmentedMp4Reader, TimesAndKeyFramesFollowTheFieldsInForce)
{
    struct Case {
        const char* name;
        std::uint32_t timescale;
        TrackDefaults trex;
        TrackFragment traf;
        std::vector<std::uint64_t> pts;
        std::vector<std::optional<std::uint64_t>> dts;
        std::vector<bool> key;
    };
    const Bytes sample = lengthPrefixed({idrSlice});
    const auto size = static_cast<std::uint32_t>(sample.size());
    const auto samples = [size](std::uint32_t count, RunSample s) {
        std::vector<RunSample> out(count, s);
        for (RunSample& r : out) r.size = size;
        return out;
    };
    std::vector<Case> cases;
    {
        TrackFragment t = trackFragment(videoId, 1000);
        t.runs.push_back(trackRun(samples(2, runSample(40, std::nullopt))));
        cases.push_back({"milliseconds scaled, defaults from trex", 1000, {videoId, 0, 0, syncFlags}, t,
                         {90000, 93600}, {std::nullopt, std::nullopt}, {true, true}});
    }
    {
        TrackFragment t = trackFragment(videoId, (std::uint64_t{1} << 33) + 10);
        t.runs.push_back(trackRun(samples(1, runSample(1, std::nullopt))));
        cases.push_back({"a 64-bit decoding time wraps to 33 bits", 90000, {videoId}, t, {10}, {std::nullopt}, {true}});
    }
    {
        TrackFragment t = trackFragment(videoId, 0);
        t.runs.push_back(trackRun(samples(2, runSample(3000, std::nullopt, std::nullopt, -3000)), 0, 1));
        cases.push_back({"negative composition offsets wrap below zero", 30000, {videoId, 0, 0, syncFlags}, t,
                         {streamClockModulus - 9000, 0}, {0, 9000}, {true, true}});
    }
    {
        TrackFragment t = trackFragment(videoId, 0);
        t.defaultFlags = nonSyncFlags;
        TrackRun run = trackRun(samples(3, runSample(3600, std::nullopt)));
        run.firstFlags = syncFlags;
        t.runs.push_back(run);
        cases.push_back({"first-sample flags over the fragment's defaults", 90000, {videoId, 0, 0, syncFlags}, t,
                         {0, 3600, 7200}, {std::nullopt, std::nullopt, std::nullopt}, {true, false, false}});
    }
    {
        TrackFragment t = trackFragment(videoId, 0);
        t.runs.push_back(trackRun(samples(2, runSample(3600, std::nullopt, nonSyncFlags))));
        t.runs[0].samples[0].flags = 0;  // no flags at all: a sync sample
        cases.push_back({"per-sample flags", 90000, {videoId, 0, 0, syncFlags}, t, {0, 3600},
                         {std::nullopt, std::nullopt}, {true, false}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FragmentedMp4Reader reader;
        Bytes media;
        for (const TrackRun& run : c.traf.runs) {
            for (std::size_t i = 0; i < run.samples.size(); ++i) media.insert(media.end(), sample.begin(), sample.end());
        }
        const auto units = readAll(reader, concat({moov({videoTrak("avc1", 4, c.timescale)}, {c.trex}), fragment({c.traf}, media)}));
        ASSERT_EQ(units.size(), c.pts.size());
        for (std::size_t i = 0; i < units.size(); ++i) {
            EXPECT_EQ(units[i].pts, c.pts[i]) << i;
            EXPECT_EQ(units[i].dts, c.dts[i]) << i;
            EXPECT_EQ(units[i].keyFrame, c.key[i]) << i;
        }
    }
}

// The edit list moves a track's times: by the empty edits' delay (in the movie's
// milliseconds here) and back by where its media start.
TEST(FragmentedMp4Reader, MovesEachTracksTimesAsItsEditListSays)
{
    struct Case {
        const char* name;
        Bytes edits;
        std::uint64_t pts;  // of a sample decoded at 0 and shown at 1024 ticks of 12800
        std::optional<std::uint64_t> dts;
    };
    const std::vector<Case> cases = {
        {"none", {}, 7200, 0},
        {"the B-frames' delay taken off", edts({{0, 1024}}), 0, streamClockModulus - 7200},
        {"an empty edit first", edts({{10000, -1}, {0, 1024}}), 900000, 892800},
        {"version 1, two empty edits", edts({{500, -1}, {500, -1}, {0, 1024}}, 1), 90000, 82800},
        {"a media start beyond any stream's is passed over", edts({{0, std::int64_t{1} << 60}}, 1), 7200, 0},
    };
    const Bytes sample = lengthPrefixed({idrSlice});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrackFragment t = trackFragment(videoId, 0);
        t.runs.push_back(trackRun({runSample(512, static_cast<std::uint32_t>(sample.size()), syncFlags, 1024)}));
        const Bytes track = trak(videoId, "vide", 12800, visualEntry("avc1", avcC({sps160x120}, {pps})), c.edits);
        FragmentedMp4Reader reader;
        const auto units = readAll(reader, concat({moov({track}), fragment({t}, sample)}));
        ASSERT_EQ(units.size(), 1u);
        EXPECT_EQ(units[0].pts, c.pts);
        EXPECT_EQ(units[0].dts, c.dts);
    }
}

TEST(FragmentedMp4Reader, AFragmentWithoutDecodingTimeGoesOnFromTheLastOne)
{
    const Bytes sample = lengthPrefixed({idrSlice});
    const auto size = static_cast<std::uint32_t>(sample.size());
    TrackFragment first = trackFragment(videoId, 5000);
    first.runs.push_back(trackRun({runSample(3600, size), runSample(3600, size)}));
    TrackFragment second = trackFragment(videoId, std::nullopt);
    second.runs.push_back(trackRun({runSample(3600, size)}));
    FragmentedMp4Reader reader;
    const auto units = readAll(reader, concat({moov({videoTrak()}), fragment({first}, concat({sample, sample})),
                                               fragment({second}, sample, 2)}));
    ASSERT_EQ(units.size(), 3u);
    EXPECT_EQ(units[2].pts, 5000u + 7200u);
}

// The three ways a run finds its data: offsets from the fragment's start, an explicit
// base, and runs and track fragments that follow on from the data before them.
TEST(FragmentedMp4Reader, FindsEachRunsDataWhereverTheOffsetsPoint)
{
    const Bytes a = lengthPrefixed({idrSlice});
    const Bytes b = lengthPrefixed({plainSlice});
    const auto sizeA = static_cast<std::uint32_t>(a.size());
    const auto sizeB = static_cast<std::uint32_t>(b.size());
    const Bytes init = moov({videoTrak(), audioTrak()}, {{videoId, 3600, 0, nonSyncFlags}, {audioId, 1024}});

    // Two runs of one track, the second without an offset: it follows the first.
    TrackFragment runs = trackFragment(videoId, 0);
    runs.runs.push_back(trackRun({runSample(std::nullopt, sizeA)}));
    runs.runs.push_back(trackRun({runSample(std::nullopt, sizeB)}, std::nullopt));
    // Neither a base nor default-base-is-moof: the first track fragment counts from the
    // fragment's start, the second follows the first one's data.
    TrackFragment videoNoBase = trackFragment(videoId, 0);
    videoNoBase.headerFlags = 0;
    videoNoBase.runs.push_back(trackRun({runSample(std::nullopt, sizeA)}));
    TrackFragment audioNoBase = trackFragment(audioId, 0);
    audioNoBase.headerFlags = 0;
    audioNoBase.runs.push_back(trackRun({runSample(std::nullopt, 10)}, std::nullopt));

    struct Case {
        const char* name;
        Bytes stream;
        std::vector<std::size_t> sizes;  // of the units handed on: the pictures without parameter sets
    };
    const Bytes init2 = concat({ftyp(), init});
    // An explicit base: the bytes of the file, counted from the start of the segment.
    TrackFragment explicitBase = trackFragment(videoId, 0);
    explicitBase.headerFlags = 0;
    explicitBase.runs.push_back(trackRun({runSample(std::nullopt, sizeA)}, std::nullopt));
    explicitBase.baseDataOffset = 0;
    explicitBase.baseDataOffset = init2.size() + fragment({explicitBase}, a).size() - a.size();
    const std::vector<Case> cases = {
        {"runs follow on", concat({init, fragment({runs}, concat({a, b}))}), {a.size(), b.size()}},
        {"track fragments follow on", concat({init, fragment({videoNoBase, audioNoBase}, concat({a, Bytes(10, 1)}))}),
         {a.size(), 10 + 7}},
        {"explicit base", concat({init2, fragment({explicitBase}, a)}), {a.size()}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FragmentedMp4Reader reader;
        const auto units = readAll(reader, c.stream);
        ASSERT_EQ(units.size(), c.sizes.size());
        for (std::size_t i = 0; i < units.size(); ++i) EXPECT_EQ(units[i].data.size(), c.sizes[i]) << i;
        EXPECT_EQ(reader.stats().lostSamples, 0u);
    }
}

TEST(FragmentedMp4Reader, TurnsEachNalLengthSizeIntoStartCodes)
{
    for (const std::uint8_t lengthSize : {std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{4}}) {
        SCOPED_TRACE(static_cast<int>(lengthSize));
        const Bytes key = lengthPrefixed({idrSlice, plainSlice}, lengthSize);
        TrackFragment t = trackFragment(videoId, 0);
        t.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(key.size()), syncFlags)}));
        FragmentedMp4Reader reader;
        const auto units = readAll(reader, concat({moov({videoTrak("avc1", lengthSize)}), fragment({t}, key)}));
        ASSERT_EQ(units.size(), 1u);
        EXPECT_EQ(units[0].data, annexB({sps160x120, pps, idrSlice, plainSlice}));
    }
}

TEST(FragmentedMp4Reader, KeepsTheParameterSetsAKeyFrameCarriesItself)
{
    const Bytes otherPps = {0x68, 0xCE, 0x3C, 0x81};
    const Bytes key = lengthPrefixed({sps160x120, otherPps, idrSlice});
    TrackFragment t = trackFragment(videoId, 0);
    t.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(key.size()), syncFlags)}));
    FragmentedMp4Reader reader;
    const auto units = readAll(reader, concat({moov({videoTrak("avc3")}), fragment({t}, key)}));
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].data, annexB({sps160x120, otherPps, idrSlice}));
}

TEST(FragmentedMp4Reader, LosesOnlyTheSamplesWhoseBytesAreNotThere)
{
    const Bytes good = lengthPrefixed({plainSlice});
    Bytes overrun = lengthPrefixed({plainSlice});
    overrun[3] = 0x40;  // a NAL unit longer than its sample
    const auto size = static_cast<std::uint32_t>(good.size());
    TrackFragment t = trackFragment(videoId, 0);
    t.runs.push_back(trackRun({runSample(3600, size, syncFlags), runSample(3600, size, syncFlags), runSample(3600, size, syncFlags), runSample(3600, 1000, syncFlags)}));  // the last runs past the media data
    FragmentedMp4Reader reader;
    const auto units = readAll(reader, concat({moov({videoTrak()}), fragment({t}, concat({good, overrun, good}))}));
    ASSERT_EQ(units.size(), 2u);
    EXPECT_FALSE(units[0].afterLoss);
    EXPECT_TRUE(units[1].afterLoss) << "the unit after a lost one says so";
    EXPECT_EQ(units[1].pts, 7200u);
    EXPECT_EQ(reader.stats().lostSamples, 2u);
}

TEST(FragmentedMp4Reader, PassesOverBoxesItDoesNotNeedAndReadsEverySizeForm)
{
    const Bytes sample = lengthPrefixed({idrSlice});
    TrackFragment t = trackFragment(videoId, 0);
    t.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(sample.size()), syncFlags)}));
    const Bytes moof = fragment({t}, sample);
    const Bytes moofOnly(moof.begin(), moof.end() - static_cast<std::ptrdiff_t>(sample.size() + 8));
    // An mdat of size 0 runs to the end of the file, which finish() marks.
    Bytes toTheEnd = {0, 0, 0, 0, 'm', 'd', 'a', 't'};
    toTheEnd.insert(toTheEnd.end(), sample.begin(), sample.end());
    const Bytes skipped = concat({box("free", Bytes(3, 0)), box("emsg", Bytes(40, 7)), box("prft", Bytes(12, 0)),
                                  largeBox("zzzz", Bytes(5, 9)), box("skip", {})});
    FragmentedMp4Reader reader;
    const auto units = readAll(reader, concat({largeBox("ftyp", text("iso6")), moov({videoTrak()}), skipped,
                                               moofOnly, toTheEnd}), 3);
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].data, annexB({sps160x120, pps, idrSlice}));
}

TEST(FragmentedMp4Reader, PassesOverSamplesLargerThanItsLimitAndGoesOn)
{
    const Bytes sample = lengthPrefixed({idrSlice});
    TrackFragment t = trackFragment(videoId, 0);
    t.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(sample.size()), syncFlags)}));
    Mp4BoxLimits limits;
    limits.sample = 64;
    FragmentedMp4Reader reader(limits);
    const Bytes big(200, 0);
    const Bytes bigSample = lengthPrefixed({concat({idrSlice, big})});
    TrackFragment bigT = trackFragment(videoId, 3600);
    bigT.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(bigSample.size()), syncFlags)}));
    TrackFragment last = trackFragment(videoId, 7200);
    last.runs = t.runs;
    const auto units = readAll(reader, concat({moov({videoTrak()}), fragment({t}, sample), fragment({bigT}, bigSample, 2),
                                               fragment({last}, sample, 3)}), 10);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[1].pts, 7200u);
    EXPECT_TRUE(units[1].afterLoss);
    EXPECT_EQ(reader.stats().oversizedBoxes, 1u);

    // Media data that run to the end of the file are read as they come and never held.
    FragmentedMp4Reader open(limits);
    const Bytes endless = concat({moov({videoTrak()}), Bytes{0, 0, 0, 0, 'm', 'd', 'a', 't'}});
    open.feed(endless);
    for (int i = 0; i < 1000; ++i) open.feed(Bytes(1000, 0));
    EXPECT_EQ(open.stats().oversizedBoxes, 0u);
    EXPECT_EQ(open.stats().malformedBoxes, 0u);
}

TEST(FragmentedMp4Reader, HandsOnEachSampleAsSoonAsItsBytesAreIn)
{
    // A channel starts on its segment's first pictures: the media data box need not be whole.
    const Bytes key = lengthPrefixed({idrSlice});
    const Bytes next = lengthPrefixed({plainSlice});
    TrackFragment t = trackFragment(videoId, 0);
    t.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(key.size()), syncFlags),
                               runSample(3600, static_cast<std::uint32_t>(next.size()), nonSyncFlags)}));
    const Bytes stream = concat({moov({videoTrak()}), fragment({t}, concat({key, next}))});
    FragmentedMp4Reader reader;
    const std::size_t beforeSecond = stream.size() - next.size();
    reader.feed(std::span(stream).first(beforeSecond - 1));
    EXPECT_TRUE(reader.takeAccessUnits().empty()) << "the key frame lacks a byte";
    reader.feed(std::span(stream).subspan(beforeSecond - 1, 1));
    EXPECT_EQ(reader.takeAccessUnits().size(), 1u) << "the key frame goes on before the rest of the box";
    reader.feed(std::span(stream).subspan(beforeSecond));
    EXPECT_EQ(reader.takeAccessUnits().size(), 1u);
}

TEST(FragmentedMp4Reader, AMalformedBoxLosesTheRestOfItsFileOnly)
{
    const Bytes sample = lengthPrefixed({idrSlice});
    TrackFragment t = trackFragment(videoId, 0);
    t.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(sample.size()), syncFlags)}));
    FragmentedMp4Reader reader;
    reader.feed(concat({moov({videoTrak()}), Bytes{0, 0, 0, 4, 'b', 'a', 'd', '!'}, fragment({t}, sample)}));
    reader.finish();
    EXPECT_TRUE(reader.takeAccessUnits().empty());
    EXPECT_EQ(reader.stats().malformedBoxes, 1u);
    // The next segment is a file of its own.
    const auto units = readAll(reader, fragment({t}, sample));
    EXPECT_EQ(units.size(), 1u);
}

TEST(FragmentedMp4Reader, ANewMovieReplacesTheTracks)
{
    const Bytes frame(10, 1);
    TrackFragment a = trackFragment(audioId, 0);
    a.runs.push_back(trackRun({runSample(1024, 10)}));
    FragmentedMp4Reader reader;
    auto units = readAll(reader, concat({moov({videoTrak(), audioTrak()}), fragment({a}, frame)}));
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].kind, StreamTrackKind::aacAdts);

    // After a discontinuity the same id is an MPEG audio track.
    units = readAll(reader, concat({moov({audioTrak(esds(0x6B, {}))}),
                                    fragment({a}, Bytes{0xFF, 0xFB, 0x90, 0x00, 0, 0, 0})}));
    const auto program = reader.program();
    ASSERT_TRUE(program);
    ASSERT_EQ(program->size(), 1u);
    EXPECT_EQ((*program)[0].kind, StreamTrackKind::mpegAudio);
    EXPECT_TRUE(units.empty()) << "seven bytes are no whole MPEG audio frame";
}

TEST(FragmentedMp4Reader, CutsMpegAudioSamplesIntoFrames)
{
    // MPEG-1 layer III, 128 kb/s, 44.1 kHz: 417 bytes a frame, 1152 samples.
    Bytes frame = {0xFF, 0xFB, 0x90, 0x00};
    frame.resize(417, 0);
    TrackFragment a = trackFragment(audioId, 44100);
    a.runs.push_back(trackRun({runSample(2304, 834)}));
    FragmentedMp4Reader reader;
    const auto units = readAll(reader, concat({moov({audioTrak(esds(0x6B, {}), 44100)}), fragment({a}, concat({frame, frame}))}));
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].kind, StreamTrackKind::mpegAudio);
    EXPECT_EQ(units[0].data, frame);
    EXPECT_EQ(units[0].pts, 90000u);
    EXPECT_EQ(units[1].pts, 90000u + 1152u * 90000u / 44100u);
}

TEST(FragmentedMp4Reader, RefusesEncryptedSamples)
{
    const Bytes sample = lengthPrefixed({idrSlice});
    TrackFragment t = trackFragment(videoId, 0);
    t.runs.push_back(trackRun({runSample(3600, static_cast<std::uint32_t>(sample.size()), syncFlags)}));
    TrackFragment withSenc = t;
    withSenc.extra = fullBox("senc", 0, 0, Bytes(4, 0));
    const Bytes sinf = box("sinf", box("frma", text("avc1")));
    struct Case {
        const char* name;
        Bytes stream;
    };
    const std::vector<Case> cases = {
        {"protected sample entry", concat({moov({trak(videoId, "vide", 90000, visualEntry("encv", concat({avcC({sps160x120}, {pps}), sinf})))}),
                                           fragment({t}, sample)})},
        {"protection system in the movie", concat({moov({videoTrak()}, {}, fullBox("pssh", 0, 0, Bytes(20, 0))), fragment({t}, sample)})},
        {"sample encryption in the fragment", concat({moov({videoTrak()}), fragment({withSenc}, sample)})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FragmentedMp4Reader reader;
        EXPECT_TRUE(readAll(reader, c.stream).empty());
        EXPECT_TRUE(reader.encrypted());
        const auto program = reader.program();
        ASSERT_TRUE(program);
        ASSERT_EQ(program->size(), 1u);
        EXPECT_EQ((*program)[0].kind, std::nullopt) << "listed as nothing the system decodes";
    }
}

TEST(FragmentedMp4Reader, ListsTracksItCannotDecodeAsSuch)
{
    FragmentedMp4Reader reader;
    reader.feed(moov({trak(1, "vide", 90000, visualEntry("hvc1", box("hvcC", Bytes(23, 0)))),
                      trak(2, "soun", 48000, audioEntry("ac-3", box("dac3", Bytes(3, 0)))),
                      trak(3, "soun", 0, audioEntry("mp4a", esds(0x40, aacLc48kStereo)))}));
    const auto program = reader.program();
    ASSERT_TRUE(program);
    ASSERT_EQ(program->size(), 3u);
    for (const StreamDescription& stream : *program) EXPECT_EQ(stream.kind, std::nullopt) << stream.id.number;
    EXPECT_FALSE(reader.encrypted());
}

// The AudioSpecificConfig as ADTS states it.
TEST(Mp4AudioConfig, StatesTheAacCoreAsAdtsCan)
{
    struct Case {
        const char* name;
        std::uint8_t objectType;
        Bytes specific;
        std::optional<Mp4AudioConfig> expected;
    };
    const std::vector<Case> cases = {
        {"AAC-LC 48 kHz stereo", 0x40, aacLc48kStereo, Mp4AudioConfig{StreamTrackKind::aacAdts, 2, 3, 2}},
        {"HE-AAC: its core at half the rate", 0x40, bitFields({{5, 5}, {4, 6}, {4, 2}, {4, 3}, {5, 2}, {3, 0}}),
         Mp4AudioConfig{StreamTrackKind::aacAdts, 2, 6, 2}},
        {"HE-AAC v2", 0x40, bitFields({{5, 29}, {4, 6}, {4, 1}, {4, 3}, {5, 2}, {3, 0}}),
         Mp4AudioConfig{StreamTrackKind::aacAdts, 2, 6, 1}},
        {"explicit rate of the table", 0x40, bitFields({{5, 2}, {4, 15}, {24, 44100}, {4, 1}, {3, 0}}),
         Mp4AudioConfig{StreamTrackKind::aacAdts, 2, 4, 1}},
        {"explicit rate ADTS cannot state", 0x40, bitFields({{5, 2}, {4, 15}, {24, 44000}, {4, 1}, {3, 0}}), std::nullopt},
        {"escaped object type", 0x40, bitFields({{5, 31}, {6, 10}, {4, 3}, {4, 2}}), std::nullopt},
        {"no configuration", 0x40, {}, std::nullopt},
        {"MPEG-2 AAC LC from the sample entry", 0x67, {}, Mp4AudioConfig{StreamTrackKind::aacAdts, 2, 3, 2}},
        {"MPEG-1 audio", 0x6B, {}, Mp4AudioConfig{StreamTrackKind::mpegAudio, 2, 0, 0}},
        {"MPEG-2 audio", 0x69, {}, Mp4AudioConfig{StreamTrackKind::mpegAudio, 2, 0, 0}},
        {"AC-3 in esds", 0xA5, {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes whole = esds(c.objectType, c.specific);
        const auto config = parseEsds(std::span(whole).subspan(8), 48000, 2);
        ASSERT_EQ(config.has_value(), c.expected.has_value());
        if (config) {
            EXPECT_EQ(config->kind, c.expected->kind);
            if (config->kind == StreamTrackKind::aacAdts) {
                EXPECT_EQ(config->aacObjectType, c.expected->aacObjectType);
                EXPECT_EQ(config->sampleRateIndex, c.expected->sampleRateIndex);
                EXPECT_EQ(config->channelConfiguration, c.expected->channelConfiguration);
            }
        }
    }
    // A truncated descriptor is not read past.
    const Bytes whole = esds(0x40, aacLc48kStereo);
    EXPECT_FALSE(parseEsds(std::span(whole).subspan(8, whole.size() - 9), 48000, 2));
}

}  // namespace
}  // namespace telvia::stream
