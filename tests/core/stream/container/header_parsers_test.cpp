#include <cstdint>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "playback/stream/container/adts_header.h"
#include "playback/stream/container/h264_sps.h"
#include "playback/stream/container/mpeg_audio_header.h"

namespace telvia::stream {
namespace {

using Bytes = std::vector<std::uint8_t>;

// An ADTS header: object type, sample rate index, channels, frame length, CRC or not.
Bytes adts(unsigned objectType, unsigned rateIndex, unsigned channels, unsigned frameLength, bool crc = false,
           unsigned blocks = 1)
{
    return {0xFF,
            static_cast<std::uint8_t>(crc ? 0xF0 : 0xF1),
            static_cast<std::uint8_t>((objectType - 1) << 6 | rateIndex << 2 | channels >> 2),
            static_cast<std::uint8_t>((channels & 3) << 6 | frameLength >> 11),
            static_cast<std::uint8_t>(frameLength >> 3),
            static_cast<std::uint8_t>((frameLength & 7) << 5 | 0x1F),
            static_cast<std::uint8_t>(0xFC | (blocks - 1))};
}

TEST(AdtsHeader, ReadsValidHeadersAndRefusesTheRest)
{
    const struct {
        const char* name;
        Bytes bytes;
        std::optional<AdtsHeader> expected;
    } cases[] = {
        {"LC 48 kHz stereo", adts(2, 3, 2, 371), AdtsHeader{2, 3, 48000, 2, 7, 371, 1024}},
        {"HE 24 kHz mono with CRC", adts(2, 6, 1, 200, true), AdtsHeader{2, 6, 24000, 1, 9, 200, 1024}},
        {"two raw blocks", adts(2, 4, 2, 700, false, 2), AdtsHeader{2, 4, 44100, 2, 7, 700, 2048}},
        {"7350 Hz, the last rate", adts(1, 12, 2, 7), AdtsHeader{1, 12, 7350, 2, 7, 7, 1024}},
        {"rate index 13 is reserved", adts(2, 13, 2, 300), std::nullopt},
        {"frame shorter than its header", adts(2, 3, 2, 6), std::nullopt},
        {"frame shorter than its CRC header", adts(2, 3, 2, 8, true), std::nullopt},
        {"layer not 0 (an MPEG audio header)", {0xFF, 0xFB, 0x90, 0x00, 0x00, 0x00, 0x00}, std::nullopt},
        {"no sync word", {0xFE, 0xF1, 0x50, 0x80, 0x2E, 0x7F, 0xFC}, std::nullopt},
        {"cut short", {0xFF, 0xF1, 0x50, 0x80, 0x2E, 0x7F}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<AdtsHeader> header = parseAdtsHeader(c.bytes);
        ASSERT_EQ(header.has_value(), c.expected.has_value());
        if (header) {
            EXPECT_EQ(header->audioObjectType, c.expected->audioObjectType);
            EXPECT_EQ(header->sampleRate, c.expected->sampleRate);
            EXPECT_EQ(header->channelConfiguration, c.expected->channelConfiguration);
            EXPECT_EQ(header->headerLength, c.expected->headerLength);
            EXPECT_EQ(header->frameLength, c.expected->frameLength);
            EXPECT_EQ(header->samplesPerFrame, c.expected->samplesPerFrame);
        }
    }
    const auto lc = parseAdtsHeader(adts(2, 4, 2, 100));
    ASSERT_TRUE(lc.has_value());
    EXPECT_EQ(audioSpecificConfig(*lc), (std::array<std::uint8_t, 2>{0x12, 0x10}));
}

TEST(MpegAudioHeader, ReadsEveryVersionAndLayerAndRefusesReservedValues)
{
    using V = MpegAudioVersion;
    const struct {
        const char* name;
        Bytes bytes;
        std::optional<MpegAudioHeader> expected;
    } cases[] = {
        {"MPEG-1 layer 3, 128 kb/s, 44.1 kHz", {0xFF, 0xFB, 0x90, 0x00}, MpegAudioHeader{V::mpeg1, 3, 128000, 44100, 2, 417, 1152}},
        {"the same, padded", {0xFF, 0xFB, 0x92, 0x00}, MpegAudioHeader{V::mpeg1, 3, 128000, 44100, 2, 418, 1152}},
        {"MPEG-1 layer 2, 64 kb/s, mono", {0xFF, 0xFD, 0x40, 0xC0}, MpegAudioHeader{V::mpeg1, 2, 64000, 44100, 1, 208, 1152}},
        {"MPEG-1 layer 1, 32 kb/s, 48 kHz", {0xFF, 0xFF, 0x14, 0x00}, MpegAudioHeader{V::mpeg1, 1, 32000, 48000, 2, 32, 384}},
        {"MPEG-2 layer 3, 64 kb/s, 22.05 kHz", {0xFF, 0xF3, 0x80, 0x00}, MpegAudioHeader{V::mpeg2, 3, 64000, 22050, 2, 208, 576}},
        {"MPEG-2.5 layer 3, 8 kb/s, 8 kHz", {0xFF, 0xE3, 0x18, 0x00}, MpegAudioHeader{V::mpeg25, 3, 8000, 8000, 2, 72, 576}},
        {"reserved version", {0xFF, 0xEB, 0x90, 0x00}, std::nullopt},
        {"reserved layer (ADTS)", {0xFF, 0xF9, 0x90, 0x00}, std::nullopt},
        {"free format", {0xFF, 0xFB, 0x00, 0x00}, std::nullopt},
        {"bit-rate index 15", {0xFF, 0xFB, 0xF0, 0x00}, std::nullopt},
        {"reserved sample rate", {0xFF, 0xFB, 0x9C, 0x00}, std::nullopt},
        {"no sync", {0xFF, 0x1B, 0x90, 0x00}, std::nullopt},
        {"cut short", {0xFF, 0xFB, 0x90}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<MpegAudioHeader> header = parseMpegAudioHeader(c.bytes);
        ASSERT_EQ(header.has_value(), c.expected.has_value());
        if (header) {
            EXPECT_EQ(header->version, c.expected->version);
            EXPECT_EQ(header->layer, c.expected->layer);
            EXPECT_EQ(header->bitrate, c.expected->bitrate);
            EXPECT_EQ(header->sampleRate, c.expected->sampleRate);
            EXPECT_EQ(header->channels, c.expected->channels);
            EXPECT_EQ(header->frameLength, c.expected->frameLength);
            EXPECT_EQ(header->samplesPerFrame, c.expected->samplesPerFrame);
        }
    }
}

// Parameter sets written by an H.264 encoder, checked against an independent reader.
const Bytes sps1080High = {0x67, 0x64, 0x10, 0x28, 0xAC, 0xB8, 0x0F, 0x00, 0x44, 0xFC, 0xB8, 0x08,
                           0x80, 0x00, 0x00, 0x03, 0x00, 0x80, 0x00, 0x00, 0x19, 0x02};
const Bytes sps120Baseline = {0x67, 0x42, 0xC0, 0x0B, 0xDC, 0x28, 0x47, 0xE5, 0xC0, 0x44, 0x00, 0x00,
                              0x03, 0x00, 0x04, 0x00, 0x00, 0x03, 0x00, 0xC8, 0x3C, 0x50, 0xAE};
const Bytes sps576Interlaced = {0x67, 0x64, 0x00, 0x1E, 0xAC, 0xD9, 0x40, 0xB4, 0x24, 0xDF, 0xF8, 0x00, 0x80, 0x00,
                                0x78, 0x80, 0x00, 0x00, 0x03, 0x00, 0x80, 0x00, 0x00, 0x19, 0x0F, 0x8A, 0x14, 0xCB};
const Bytes sps720Ntsc = {0x67, 0x4D, 0x40, 0x1F, 0xEC, 0xA0, 0x28, 0x02, 0xDD, 0x80, 0x88, 0x00,
                          0x00, 0x1F, 0x48, 0x00, 0x07, 0x53, 0x04, 0x78, 0xC1, 0x8C, 0xB0};
// One macroblock with 7 chroma columns cropped on the right: 14 luma columns in 4:2:0.
const Bytes spsCroppedTo2x16 = {0x67, 0x42, 0x00, 0x0A, 0xDA, 0x7E, 0x23, 0x40};
const Bytes sps768Level51 = {0x67, 0x64, 0x00, 0x33, 0xAC, 0xD9, 0x40, 0x56, 0x06, 0x1E, 0x6F, 0x01, 0x10, 0x00,
                             0x00, 0x03, 0x00, 0x10, 0x00, 0x00, 0x03, 0x03, 0x20, 0xF1, 0x83, 0x19, 0x60};

// Only the 720p set says its frame rate is fixed; the others' timing (50 ticks a second)
// is a clock's resolution and tells no frame rate.
TEST(H264Sps, ReadsSizeWithCroppingProfileLevelAspectAndRate)
{
    const struct {
        const char* name;
        const Bytes& nal;
        std::uint8_t profile, level;
        std::uint32_t width, height, sarWidth, sarHeight, rateNumerator, rateDenominator;
    } cases[] = {
        {"1080p High: 1088 coded rows cropped to 1080", sps1080High, 100, 40, 1920, 1080, 1, 1, 0, 0},
        {"160x120 Constrained Baseline", sps120Baseline, 66, 11, 160, 120, 1, 1, 0, 0},
        {"576i: field coding doubles the rows, SAR 16:15", sps576Interlaced, 100, 30, 720, 576, 16, 15, 0, 0},
        {"720p Main at 30000/1001", sps720Ntsc, 77, 31, 1280, 720, 1, 1, 60000, 2002},
        {"1366x768 at level 5.1: both axes cropped", sps768Level51, 100, 51, 1366, 768, 1, 1, 0, 0},
        {"cropping counts in chroma samples", spsCroppedTo2x16, 66, 10, 2, 16, 1, 1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<H264Sps> sps = parseH264Sps(c.nal);
        ASSERT_TRUE(sps.has_value());
        EXPECT_EQ(sps->profileIdc, c.profile);
        EXPECT_EQ(sps->levelIdc, c.level);
        EXPECT_EQ(sps->width, c.width);
        EXPECT_EQ(sps->height, c.height);
        EXPECT_EQ(sps->sarWidth, c.sarWidth);
        EXPECT_EQ(sps->sarHeight, c.sarHeight);
        EXPECT_EQ(sps->frameRateNumerator, c.rateNumerator);
        EXPECT_EQ(sps->frameRateDenominator, c.rateDenominator);
    }
}

TEST(H264Sps, RefusesUnitsThatAreNotWholeParameterSets)
{
    Bytes truncated(sps1080High.begin(), sps1080High.begin() + 8);
    Bytes ppsType = sps1080High;
    ppsType[0] = 0x68;
    // Cropping that removes the whole picture.
    Bytes allCropped = {0x67, 0x42, 0x00, 0x0A, 0xDA, 0x7E, 0x27, 0x40};
    const struct {
        const char* name;
        Bytes nal;
    } cases[] = {
        {"cut inside", truncated},
        {"a picture parameter set", ppsType},
        {"empty", {}},
        {"header only", {0x67}},
        {"an endless Exp-Golomb code", {0x67, 0x64, 0x00, 0x28, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {"cropped to nothing", allCropped},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(parseH264Sps(c.nal).has_value());
    }
}

TEST(H264Sps, RemovesEmulationPreventionBytes)
{
    EXPECT_EQ(unescapeRbsp(Bytes{0x00, 0x00, 0x03, 0x01, 0x00, 0x00, 0x03, 0x00, 0x00, 0x03}),
              (Bytes{0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(unescapeRbsp(Bytes{0x00, 0x03, 0x00, 0x00, 0x00, 0x03}), (Bytes{0x00, 0x03, 0x00, 0x00, 0x00}));
}

// Writes an RBSP bit by bit, Exp-Golomb codes as H.264 defines them.
class RbspWriter {
public:
    RbspWriter& bits(std::uint64_t value, int count)
    {
        for (int i = count - 1; i >= 0; --i) bit((value >> i & 1) != 0);
        return *this;
    }
    RbspWriter& ue(std::uint64_t value)
    {
        int length = 0;
        while ((value + 1) >> (length + 1) != 0) ++length;
        return bits(0, length).bits(value + 1, length + 1);
    }
    RbspWriter& se(std::int64_t value) { return ue(value > 0 ? 2 * static_cast<std::uint64_t>(value) - 1 : 2 * static_cast<std::uint64_t>(-value)); }
    Bytes done()
    {
        bit(true);  // rbsp_stop_one_bit
        while (used_ % 8 != 0) bit(false);
        return bytes_;
    }

private:
    void bit(bool on)
    {
        if (used_ % 8 == 0) bytes_.push_back(0);
        if (on) bytes_.back() |= static_cast<std::uint8_t>(0x80 >> (used_ % 8));
        ++used_;
    }
    Bytes bytes_;
    int used_ = 0;
};

// A High profile 160x128 parameter set with a scaling matrix whose first list steps by `delta`.
Bytes spsWithScalingStep(std::int64_t delta)
{
    RbspWriter writer;
    writer.bits(0x67, 8).bits(100, 8).bits(0, 8).bits(40, 8);
    writer.ue(0).ue(1).ue(0).ue(0).bits(0, 1);  // sps_id, 4:2:0, 8-bit luma and chroma, no bypass
    writer.bits(1, 1).bits(1, 1).se(delta);      // a scaling matrix, its first list present
    if (delta != -8 && delta >= -128 && delta <= 127) {
        // A step to 0, which ends the list.
        const std::int64_t next = ((8 + delta) % 256 + 256) % 256;
        const std::int64_t back = 256 - next;
        writer.se(back > 127 ? back - 256 : back);
    }
    writer.bits(0, 7);                           // the other lists absent
    writer.ue(0).ue(2).ue(1).bits(0, 1);         // frame_num bits, POC type 2, one reference frame
    writer.ue(9).ue(7).bits(1, 1).bits(1, 1).bits(0, 1).bits(0, 1);  // 10x8 macroblocks, frames only
    return writer.done();
}

// Each step of a scaling list is a byte's worth; a step outside -128..127 is refused rather
// than added up past what an int holds.
TEST(H264Sps, ReadsScalingListsAndRefusesStepsOutOfRange)
{
    const struct {
        std::int64_t delta;
        bool valid;
    } cases[] = {{-8, true}, {5, true}, {127, true}, {-128, true}, {128, false}, {2147483647, false}, {-2147483647, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.delta);
        const std::optional<H264Sps> sps = parseH264Sps(spsWithScalingStep(c.delta));
        ASSERT_EQ(sps.has_value(), c.valid);
        if (c.valid) {
            EXPECT_EQ(sps->width, 160u);
            EXPECT_EQ(sps->height, 128u);
        }
    }
}

}  // namespace
}  // namespace telvia::stream
