#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/container/annexb.h"
#include "playback/stream/container/h264_sps.h"
#include "playback/stream/delivery/timestamp_mapper.h"
#include "playback/stream/container/ts_demuxer.h"
#include "ts_builder.h"

namespace telvia::stream {
namespace {

using namespace testing;

constexpr std::uint16_t pmtPid = 0x1000;
constexpr std::uint16_t videoPid = 0x100;
constexpr std::uint16_t aacPid = 0x101;
constexpr std::uint16_t mp2Pid = 0x102;

// An access unit of H.264 whose first NAL unit is an IDR slice or a non-IDR one.
Bytes videoUnit(bool idr, std::size_t size)
{
    Bytes unit = {0, 0, 0, 1, 0x09, 0xF0, 0, 0, 1, static_cast<std::uint8_t>(idr ? 0x65 : 0x41)};
    unit.resize(size, 0x5A);
    return unit;
}

// PAT and a PMT with H.264, AAC, MPEG audio and HEVC (which the system cannot decode).
void writeTables(TsWriter& ts)
{
    ts.table(0, patSection(1, pmtPid));
    ts.table(pmtPid, pmtSection(1, {{0x1B, videoPid}, {0x0F, aacPid}, {0x03, mp2Pid}, {0x24, 0x103}}));
}

std::vector<AccessUnit> demuxAll(const Bytes& stream, TsDemuxer& demuxer)
{
    demuxer.feed(stream);
    demuxer.finish();
    return demuxer.takeAccessUnits();
}

std::vector<AccessUnit> unitsOf(const std::vector<AccessUnit>& units, std::uint16_t pid)
{
    std::vector<AccessUnit> out;
    for (const AccessUnit& unit : units) {
        if (unit.stream == StreamId{pid}) out.push_back(unit);
    }
    return out;
}

// A short stream with all three kinds: two video units (the first spanning packets),
// two ADTS frames in one PES packet and one MPEG audio frame.
Bytes smallStream()
{
    TsWriter ts;
    writeTables(ts);
    ts.pes(videoPid, pesPacket(0xE0, 183600, 180000, videoUnit(true, 500), false), true);
    Bytes twoFrames = adtsFrame(100, 0x11);
    const Bytes second = adtsFrame(60, 0x22);
    twoFrames.insert(twoFrames.end(), second.begin(), second.end());
    ts.pes(aacPid, pesPacket(0xC0, 180000, std::nullopt, twoFrames, true));
    ts.pes(mp2Pid, pesPacket(0xC1, 180090, std::nullopt, mpegAudioFrame(0x33), true));
    ts.pes(videoPid, pesPacket(0xE0, 187200, 183600, videoUnit(false, 40), false));
    return ts.out;
}

TEST(TsDemuxer, HandsOnAccessUnitsOfEveryDecodableStream)
{
    TsDemuxer demuxer;
    const std::vector<AccessUnit> units = demuxAll(smallStream(), demuxer);
    const std::vector<StreamDescription> expectedStreams = {{StreamId{videoPid}, StreamTrackKind::h264},
                                                        {StreamId{aacPid}, StreamTrackKind::aacAdts},
                                                        {StreamId{mp2Pid}, StreamTrackKind::mpegAudio},
                                                        {StreamId{0x103}, std::nullopt}};
    EXPECT_EQ(demuxer.programStreams(), expectedStreams);

    const auto video = unitsOf(units, videoPid);
    ASSERT_EQ(video.size(), 2u);
    EXPECT_EQ(video[0].kind, StreamTrackKind::h264);
    EXPECT_EQ(video[0].pts, 183600u);
    EXPECT_EQ(video[0].dts, 180000u);
    EXPECT_EQ(video[0].data, videoUnit(true, 500));
    EXPECT_TRUE(video[0].keyFrame);
    EXPECT_FALSE(video[1].keyFrame);
    EXPECT_EQ(video[1].data, videoUnit(false, 40));  // handed on when the stream ends

    // Each ADTS frame is a unit of its own; the second is 1024 samples at 48 kHz later.
    const auto aac = unitsOf(units, aacPid);
    ASSERT_EQ(aac.size(), 2u);
    EXPECT_EQ(aac[0].data, adtsFrame(100, 0x11));
    EXPECT_EQ(aac[0].pts, 180000u);
    EXPECT_EQ(aac[1].data, adtsFrame(60, 0x22));
    EXPECT_EQ(aac[1].pts, 180000u + 1920u);
    EXPECT_TRUE(aac[1].keyFrame);

    const auto mp2 = unitsOf(units, mp2Pid);
    ASSERT_EQ(mp2.size(), 1u);
    EXPECT_EQ(mp2[0].data, mpegAudioFrame(0x33));
    EXPECT_EQ(mp2[0].pts, 180090u);

    const DemuxStats stats = demuxer.stats();
    EXPECT_EQ(stats.continuityErrors + stats.syncLosses + stats.droppedPes + stats.badSections, 0u);
    EXPECT_EQ(stats.skippedBytes, 0u);
}

TEST(TsDemuxer, GivesTheSameUnitsWhereverTheBytesAreCut)
{
    // Network reads and segment boundaries fall anywhere: inside a packet, a table or
    // a PES packet.
    const Bytes stream = smallStream();
    TsDemuxer whole;
    const std::vector<AccessUnit> expected = demuxAll(stream, whole);
    for (std::size_t cut = 1; cut < stream.size(); cut += 7) {
        SCOPED_TRACE(cut);
        TsDemuxer pieces;
        pieces.feed(std::span(stream).first(cut));
        pieces.feed(std::span(stream).subspan(cut));
        pieces.finish();
        const std::vector<AccessUnit> units = pieces.takeAccessUnits();
        ASSERT_EQ(units.size(), expected.size());
        for (std::size_t i = 0; i < units.size(); ++i) {
            EXPECT_EQ(units[i].data, expected[i].data);
            EXPECT_EQ(units[i].pts, expected[i].pts);
        }
    }
}

TEST(TsDemuxer, ReadsTablesThatSpanPacketsAndSkipsDamagedOnes)
{
    const struct {
        const char* name;
        Bytes stream;
        std::size_t streams;
        std::uint32_t badSections;
    } cases[] = {
        {"a program map of 3 packets",
         [] {
             TsWriter ts;
             ts.table(0, patSection(1, pmtPid));
             ts.table(pmtPid, pmtSection(1, {{0x1B, videoPid, 200}, {0x0F, aacPid, 200}}));
             return ts.out;
         }(),
         2, 0},
        {"the association table and the map in one packet, after a pointer field",
         [] {
             TsWriter ts;
             Bytes payload = {3, 0xAA, 0xBB, 0xCC};  // the tail of a section we never saw
             const Bytes pat = section(0x00, 1, 0, {0, 1, 0xE0 | (pmtPid >> 8), pmtPid & 0xFF});
             payload.insert(payload.end(), pat.begin(), pat.end());
             ts.packet(0, payload, {.payloadStart = true});
             ts.table(pmtPid, pmtSection(1, {{0x0F, aacPid}}));
             return ts.out;
         }(),
         1, 0},
        {"a wrong CRC",
         [] {
             TsWriter ts;
             ts.table(0, patSection(1, pmtPid));
             Bytes pmt = pmtSection(1, {{0x0F, aacPid}});
             pmt.back() ^= 1;
             ts.table(pmtPid, pmt);
             return ts.out;
         }(),
         0, 1},
        {"a map whose second packet is lost",
         [] {
             TsWriter ts;
             ts.table(0, patSection(1, pmtPid));
             TsWriter map;
             map.table(pmtPid, pmtSection(1, {{0x1B, videoPid, 300}}));
             ts.append(Bytes(map.out.begin(), map.out.begin() + 188));
             ts.next(pmtPid);
             ts.append(Bytes(map.out.begin() + 376, map.out.end()));
             return ts.out;
         }(),
         0, 0},
        {"a section length beyond 4 KiB",
         [] {
             TsWriter ts;
             ts.packet(0, {0, 0x00, 0xBF, 0xFF, 0, 1}, {.payloadStart = true});
             return ts.out;
         }(),
         0, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TsDemuxer demuxer;
        demuxAll(c.stream, demuxer);
        EXPECT_EQ(demuxer.programStreams().size(), c.streams);
        EXPECT_EQ(demuxer.stats().badSections, c.badSections);
    }
}

TEST(TsDemuxer, LosesOnlyThePesPacketAContinuityErrorHits)
{
    const Bytes first = videoUnit(true, 400);  // three packets
    const Bytes second = videoUnit(false, 100);
    const Bytes third = videoUnit(false, 120);
    const struct {
        const char* name;
        Bytes stream;
        std::vector<Bytes> delivered;
        std::vector<bool> afterLoss;
        std::uint32_t errors;
    } cases[] = {
        {"a packet missing in the middle of a PES packet",
         [&] {
             TsWriter ts;
             writeTables(ts);
             TsWriter video;
             video.pes(videoPid, pesPacket(0xE0, 0, std::nullopt, first, false));
             ts.append(Bytes(video.out.begin(), video.out.begin() + 188));
             ts.append(Bytes(video.out.begin() + 376, video.out.end()));
             for (int i = 0; i < 3; ++i) ts.next(videoPid);
             ts.pes(videoPid, pesPacket(0xE0, 3600, std::nullopt, second, false));
             ts.pes(videoPid, pesPacket(0xE0, 7200, std::nullopt, third, false));
             return ts.out;
         }(),
         {second, third}, {true, false}, 1},
        {"a packet sent twice",
         [&] {
             TsWriter ts;
             writeTables(ts);
             ts.pes(videoPid, pesPacket(0xE0, 0, std::nullopt, second, false));
             ts.append(Bytes(ts.out.end() - 188, ts.out.end()));
             ts.pes(videoPid, pesPacket(0xE0, 3600, std::nullopt, third, false));
             return ts.out;
         }(),
         {second, third}, {false, false}, 0},
        {"a counter jump the sender announces",
         [&] {
             TsWriter ts;
             writeTables(ts);
             ts.pes(videoPid, pesPacket(0xE0, 0, std::nullopt, second, false));
             ts.next(videoPid);
             ts.next(videoPid);
             Bytes pes = pesPacket(0xE0, 3600, std::nullopt, third, false);
             ts.append(tsPacket(videoPid, ts.next(videoPid), pes, {.payloadStart = true, .discontinuity = true}));
             return ts.out;
         }(),
         {second, third}, {false, false}, 0},
        {"adaptation-only packets in between, which do not count",
         [&] {
             TsWriter ts;
             writeTables(ts);
             TsWriter video;
             video.pes(videoPid, pesPacket(0xE0, 0, std::nullopt, first, false));
             ts.append(Bytes(video.out.begin(), video.out.begin() + 188));
             ts.next(videoPid);
             ts.packet(videoPid, {});
             ts.packet(videoPid, {});
             ts.append(Bytes(video.out.begin() + 188, video.out.end()));
             ts.next(videoPid);
             ts.next(videoPid);
             ts.pes(videoPid, pesPacket(0xE0, 3600, std::nullopt, second, false));
             return ts.out;
         }(),
         {first, second}, {false, false}, 0},
        {"a packet the sender marked as damaged",
         [&] {
             TsWriter ts;
             writeTables(ts);
             TsWriter video;
             video.pes(videoPid, pesPacket(0xE0, 0, std::nullopt, first, false));
             ts.append(Bytes(video.out.begin(), video.out.begin() + 188));
             Bytes damaged(video.out.begin() + 188, video.out.begin() + 376);
             damaged[1] |= 0x80;
             ts.append(damaged);
             ts.append(Bytes(video.out.begin() + 376, video.out.end()));
             for (int i = 0; i < 3; ++i) ts.next(videoPid);
             ts.pes(videoPid, pesPacket(0xE0, 3600, std::nullopt, second, false));
             return ts.out;
         }(),
         {second}, {true}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TsDemuxer demuxer;
        const auto units = unitsOf(demuxAll(c.stream, demuxer), videoPid);
        ASSERT_EQ(units.size(), c.delivered.size());
        for (std::size_t i = 0; i < units.size(); ++i) {
            EXPECT_EQ(units[i].data, c.delivered[i]) << i;
            EXPECT_EQ(units[i].afterLoss, c.afterLoss[i]) << i;
        }
        EXPECT_EQ(demuxer.stats().continuityErrors, c.errors);
    }
}

TEST(TsDemuxer, FindsThePacketsAgainAfterGarbage)
{
    const Bytes clean = smallStream();
    TsDemuxer reference;
    const std::vector<AccessUnit> expected = demuxAll(clean, reference);
    const Bytes garbage = {0x47, 0x00, 0x12, 0x47, 0x47, 0x99, 0x00, 0x47, 0x10};
    const struct {
        const char* name;
        std::size_t at;  // where the garbage goes, in bytes
    } cases[] = {
        {"before the first packet", 0},
        {"between two packets", 188 * 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes stream = clean;
        stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(c.at), garbage.begin(), garbage.end());
        TsDemuxer demuxer;
        const std::vector<AccessUnit> units = demuxAll(stream, demuxer);
        ASSERT_EQ(units.size(), expected.size());
        for (std::size_t i = 0; i < units.size(); ++i) {
            EXPECT_EQ(units[i].data, expected[i].data);
        }
        EXPECT_EQ(demuxer.stats().skippedBytes, garbage.size());
        EXPECT_EQ(demuxer.stats().syncLosses, c.at == 0 ? 0u : 1u);
    }
    // Nothing but sync bytes, or nothing but noise: no units and no tables.
    for (const std::uint8_t fill : {std::uint8_t{0x47}, std::uint8_t{0x00}}) {
        TsDemuxer noise;
        EXPECT_TRUE(demuxAll(Bytes(5000, fill), noise).empty());
        EXPECT_FALSE(noise.hasProgramMap());
    }
}

TEST(TsDemuxer, KeepsTheFull33BitsOfTimestampsAndWrapsAudioFrameTimes)
{
    constexpr std::uint64_t last = streamClockModulus - 1;
    TsWriter ts;
    writeTables(ts);
    ts.pes(videoPid, pesPacket(0xE0, last, last - 3600, videoUnit(true, 50), false), true);
    Bytes frames = adtsFrame(80, 1);
    const Bytes more = adtsFrame(80, 2);
    frames.insert(frames.end(), more.begin(), more.end());
    ts.pes(aacPid, pesPacket(0xC0, last - 100, std::nullopt, frames, true));
    TsDemuxer demuxer;
    const auto units = demuxAll(ts.out, demuxer);
    const auto video = unitsOf(units, videoPid);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0].pts, last);
    EXPECT_EQ(video[0].dts, last - 3600);
    const auto aac = unitsOf(units, aacPid);
    ASSERT_EQ(aac.size(), 2u);
    EXPECT_EQ(aac[0].pts, last - 100);
    EXPECT_EQ(aac[1].pts, 1920u - 101u);  // past the wrap
}

TEST(TsDemuxer, CutsAudioFramesAcrossPesPacketsAndTimesEachFrame)
{
    // Frame A whole; frame B split over two PES packets; frame C starts in the second
    // packet, whose timestamp therefore belongs to C, not to B.
    const Bytes a = adtsFrame(90, 0xA0);
    const Bytes b = adtsFrame(90, 0xB0);
    const Bytes c = adtsFrame(90, 0xC0);
    Bytes firstPayload = a;
    firstPayload.insert(firstPayload.end(), b.begin(), b.begin() + 30);
    Bytes secondPayload(b.begin() + 30, b.end());
    secondPayload.insert(secondPayload.end(), {0x00, 0x12});  // stray bytes between frames
    secondPayload.insert(secondPayload.end(), c.begin(), c.end());
    TsWriter ts;
    writeTables(ts);
    ts.pes(aacPid, pesPacket(0xC0, 90000, std::nullopt, firstPayload, true));
    ts.pes(aacPid, pesPacket(0xC0, 95000, std::nullopt, secondPayload, true));
    TsDemuxer demuxer;
    const auto aac = unitsOf(demuxAll(ts.out, demuxer), aacPid);
    ASSERT_EQ(aac.size(), 3u);
    EXPECT_EQ(aac[0].data, a);
    EXPECT_EQ(aac[0].pts, 90000u);
    EXPECT_EQ(aac[1].data, b);
    EXPECT_EQ(aac[1].pts, 91920u);
    EXPECT_EQ(aac[2].data, c);
    EXPECT_EQ(aac[2].pts, 95000u);
    EXPECT_EQ(demuxer.stats().skippedBytes, 2u);
}

TEST(TsDemuxer, FollowsAProgramMapThatChanges)
{
    TsWriter ts;
    writeTables(ts);
    ts.pes(aacPid, pesPacket(0xC0, 0, std::nullopt, adtsFrame(50, 1), true));
    // Version 1 moves the audio to another PID and drops the video.
    ts.table(pmtPid, pmtSection(1, {{0x0F, 0x200}}, 1));
    ts.pes(aacPid, pesPacket(0xC0, 1920, std::nullopt, adtsFrame(50, 2), true));
    ts.pes(0x200, pesPacket(0xC0, 3840, std::nullopt, adtsFrame(50, 3), true));
    TsDemuxer demuxer;
    const auto units = demuxAll(ts.out, demuxer);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].stream, StreamId{aacPid});
    EXPECT_EQ(units[1].stream, StreamId{0x200});
    EXPECT_EQ(units[1].data, adtsFrame(50, 3));
    EXPECT_EQ(demuxer.programStreams(), (std::vector<StreamDescription>{{StreamId{0x200}, StreamTrackKind::aacAdts}}));
}

TEST(TsDemuxer, FollowsAProgramMapWithNewContentUnderTheSameVersion)
{
    // An encoder restarted after a discontinuity: same version number, new PIDs.
    TsWriter before;
    writeTables(before);
    before.pes(aacPid, pesPacket(0xC0, 0, std::nullopt, adtsFrame(50, 1), true));
    TsWriter after;
    after.table(0, patSection(1, pmtPid));
    after.table(pmtPid, pmtSection(1, {{0x0F, 0x300}}));  // version 0 again
    after.pes(0x300, pesPacket(0xC0, 5, std::nullopt, adtsFrame(50, 2), true));
    TsDemuxer demuxer;
    demuxer.feed(before.out);
    demuxer.finish();
    demuxer.feed(after.out);
    demuxer.finish();
    const auto units = demuxer.takeAccessUnits();
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[1].stream, StreamId{0x300});
    EXPECT_EQ(units[1].data, adtsFrame(50, 2));
}

TEST(TsDemuxer, FinishHandsOnTheLastVideoUnitAndStartsAfresh)
{
    // Two segments with a discontinuity between them: the first ends with a video PES
    // packet that has no length, the second starts its counters anew.
    TsWriter one;
    writeTables(one);
    one.pes(videoPid, pesPacket(0xE0, 1000, std::nullopt, videoUnit(true, 300), false), true);
    TsWriter two;
    writeTables(two);
    two.pes(videoPid, pesPacket(0xE0, 5, std::nullopt, videoUnit(true, 200), false), true);
    TsDemuxer demuxer;
    demuxer.feed(one.out);
    demuxer.finish();
    auto units = demuxer.takeAccessUnits();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].data, videoUnit(true, 300));
    demuxer.feed(two.out);
    demuxer.finish();
    units = demuxer.takeAccessUnits();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].pts, 5u);
    EXPECT_EQ(demuxer.stats().continuityErrors, 0u);
}

TEST(TsDemuxer, KeepsThePesPacketsBeingCollectedWithinOneBudget)
{
    // Three video streams whose packets have no length and run to 5 MiB each (their
    // buffers to under 6 MiB): the first two fit in the budget together, the third is
    // dropped where it would pass it, and what it lost is said on its next unit.
    // Afterwards the budget is free again.
    constexpr std::size_t unitSize = 5 * 1024 * 1024;
    const std::uint16_t pids[] = {0x200, 0x201, 0x202};
    TsWriter ts;
    ts.table(0, patSection(1, pmtPid));
    ts.table(pmtPid, pmtSection(1, {{0x1B, pids[0]}, {0x1B, pids[1]}, {0x1B, pids[2]}}));
    for (const std::uint16_t pid : pids) {
        ts.pes(pid, pesPacket(0xE0, 100, std::nullopt, videoUnit(true, unitSize), false), true);
    }
    for (const std::uint16_t pid : pids) {
        ts.pes(pid, pesPacket(0xE0, 200, std::nullopt, videoUnit(true, 1000), false), true);
    }
    TsDemuxer demuxer;
    const auto units = demuxAll(ts.out, demuxer);
    for (const std::uint16_t pid : {pids[0], pids[1]}) {
        const auto kept = unitsOf(units, pid);
        ASSERT_EQ(kept.size(), 2u) << pid;
        EXPECT_EQ(kept[0].data.size(), unitSize);
        EXPECT_FALSE(kept[1].afterLoss);
    }
    const auto dropped = unitsOf(units, pids[2]);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].pts, 200u);
    EXPECT_TRUE(dropped[0].afterLoss);
    EXPECT_EQ(demuxer.stats().droppedPes, 1u);
}

// The stream ffmpeg made at build time: H.264 with B-frames, AAC and MPEG-1 layer 2,
// three seconds whose timestamps wrap past 2^33 on the way.
Bytes readFixture()
{
    std::ifstream file(TELVIA_TS_FIXTURE, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(TsDemuxer, ReadsAStreamAnEncoderMade)
{
    const Bytes stream = readFixture();
    ASSERT_GT(stream.size(), 10'000u) << TELVIA_TS_FIXTURE;

    TsDemuxer demuxer;
    const std::vector<AccessUnit> units = demuxAll(stream, demuxer);
    const DemuxStats stats = demuxer.stats();
    EXPECT_EQ(stats.continuityErrors + stats.syncLosses + stats.droppedPes + stats.badSections, 0u);
    EXPECT_EQ(stats.skippedBytes, 0u);
    ASSERT_EQ(demuxer.programStreams().size(), 3u);

    const auto video = unitsOf(units, 0x100);
    const auto aac = unitsOf(units, 0x101);
    const auto mp2 = unitsOf(units, 0x102);
    EXPECT_EQ(video.size(), 75u);  // 3 s at 25 frames per second
    EXPECT_NEAR(static_cast<double>(aac.size()), 3.0 * 48000 / 1024, 3);
    EXPECT_NEAR(static_cast<double>(mp2.size()), 3.0 * 44100 / 1152, 3);

    // The first picture is a key frame whose parameter set gives the picture size.
    ASSERT_FALSE(video.empty());
    EXPECT_TRUE(video[0].keyFrame);
    std::optional<H264Sps> sps;
    for (const auto nal : splitNalUnits(video[0].data)) {
        if ((nal[0] & 0x1F) == nalTypeSps) sps = parseH264Sps(nal);
    }
    ASSERT_TRUE(sps.has_value());
    EXPECT_EQ(sps->width, 160u);
    EXPECT_EQ(sps->height, 120u);
    EXPECT_EQ(std::count_if(video.begin(), video.end(), [](const AccessUnit& u) { return u.keyFrame; }), 3);

    // Through the wrap of the 33-bit clock, mapped times keep rising: decoding times of
    // video, presentation times of audio.
    TimestampMapper mapper;
    mapper.anchor(*video[0].dts, 0);
    const auto rising = [&mapper](const std::vector<AccessUnit>& elementary, bool decodingTime) {
        std::int64_t previous = -mediaUnitsPerSecond;
        for (const AccessUnit& unit : elementary) {
            const std::int64_t time = mapper.map(decodingTime ? unit.dts.value_or(*unit.pts) : *unit.pts);
            if (time <= previous || time > 4 * mediaUnitsPerSecond) return false;
            previous = time;
        }
        return true;
    };
    EXPECT_TRUE(rising(video, true));
    EXPECT_TRUE(rising(aac, false));
    EXPECT_TRUE(rising(mp2, false));
    EXPECT_EQ(mapper.jumpsDetected(), 0u);
    EXPECT_LT(*video.back().pts, *video.front().pts);  // the raw clock did wrap

    // Read in pieces of awkward sizes, the stream gives the same units.
    TsDemuxer pieces;
    for (std::size_t at = 0, size = 1; at < stream.size(); at += size, size = size * 3 % 1009 + 1) {
        pieces.feed(std::span(stream).subspan(at, std::min(size, stream.size() - at)));
    }
    pieces.finish();
    const std::vector<AccessUnit> again = pieces.takeAccessUnits();
    ASSERT_EQ(again.size(), units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        ASSERT_EQ(again[i].data, units[i].data) << i;
    }

    // Twenty bytes of junk after every 50th packet cost nothing but the junk, whether or
    // not the junk starts with a sync byte.
    Bytes junky;
    for (std::size_t at = 0, packet = 1; at < stream.size(); at += tsPacketSize, ++packet) {
        junky.insert(junky.end(), stream.begin() + static_cast<std::ptrdiff_t>(at),
                     stream.begin() + static_cast<std::ptrdiff_t>(std::min(at + tsPacketSize, stream.size())));
        if (packet % 50 == 0) {
            junky.push_back(packet % 100 == 0 ? 0x47 : 0x00);
            junky.insert(junky.end(), 19, 0x00);
        }
    }
    TsDemuxer throughJunk;
    const std::vector<AccessUnit> despiteJunk = demuxAll(junky, throughJunk);
    ASSERT_EQ(despiteJunk.size(), units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        ASSERT_EQ(despiteJunk[i].data, units[i].data) << i;
    }
    EXPECT_EQ(throughJunk.stats().skippedBytes, junky.size() - stream.size());
}

}  // namespace
}  // namespace telvia::stream
