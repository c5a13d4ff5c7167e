// The media types the stream source filter offers for each kind of track, read back field
// by field from the format blocks, and the timeline that places samples on stream time.
#include <windows.h>

#include <dshow.h>
#include <dvdmedia.h>
#include <mmreg.h>

#include <gtest/gtest.h>

#include <array>

#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/win32/media/media_subtypes.h"
#include "platform/win32/media/sample_timeline.h"
#include "platform/win32/media/track_media_types.h"

namespace {

using namespace telvia;
using namespace telvia::win32;

template <typename Block>
const Block& blockOf(const MediaType& type)
{
    return *reinterpret_cast<const Block*>(type.get().pbFormat);
}

TEST(MediaSubtypes, AreTheDocumentedGuids)
{
    const GUID adtsAac = {0x00001600, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    const GUID mp3 = {0x00000055, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    const GUID h264 = {0x34363248, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
    EXPECT_TRUE(IsEqualGUID(mediaSubtypeMpegAdtsAac, adtsAac));
    EXPECT_TRUE(IsEqualGUID(mediaSubtypeMp3, mp3));
    EXPECT_TRUE(IsEqualGUID(mediaSubtypeH264, h264));
    EXPECT_TRUE(IsEqualGUID(subtypeFromTag(WAVE_FORMAT_MPEG), MEDIASUBTYPE_MPEG1AudioPayload));
}

StreamTrackFormat videoTrack(std::vector<std::uint8_t> parameterSets)
{
    StreamTrackFormat track;
    track.kind = StreamTrackKind::h264;
    track.video = {720, 576, 16, 11, 77, 30, 25, 1, std::move(parameterSets)};
    return track;
}

void expectVideoHeader(const VIDEOINFOHEADER2& info, const char* which)
{
    SCOPED_TRACE(which);
    EXPECT_EQ(info.rcSource.right, 720);
    EXPECT_EQ(info.rcSource.bottom, 576);
    EXPECT_EQ(info.rcTarget.right, 720);
    EXPECT_EQ(info.AvgTimePerFrame, 400'000);
    // 720*16 : 576*11 = 11520 : 6336 = 20 : 11.
    EXPECT_EQ(info.dwPictAspectRatioX, 20U);
    EXPECT_EQ(info.dwPictAspectRatioY, 11U);
    EXPECT_EQ(info.dwInterlaceFlags, 0U);
    EXPECT_EQ(info.bmiHeader.biSize, sizeof(BITMAPINFOHEADER));
    EXPECT_EQ(info.bmiHeader.biWidth, 720);
    EXPECT_EQ(info.bmiHeader.biHeight, 576);
    EXPECT_EQ(info.bmiHeader.biCompression, h264Fourcc);
}

TEST(TrackMediaTypes, H264IsOfferedWithEachFormatBlockAndTheParameterSetsInTheSequenceHeader)
{
    const std::vector<std::uint8_t> sets = {0, 0, 0, 1, 0x67, 0x4D, 0x40, 0x1E, 0, 0, 0, 1, 0x68, 0xEE, 0x3C};
    const std::vector<MediaType> types = mediaTypesForTrack(videoTrack(sets));
    const GUID* const formats[] = {&FORMAT_MPEG2Video, &FORMAT_VideoInfo2, &FORMAT_VideoInfo, &FORMAT_None};
    ASSERT_EQ(types.size(), std::size(formats));
    for (std::size_t i = 0; i < types.size(); ++i) {
        const AM_MEDIA_TYPE& type = types[i].get();
        EXPECT_TRUE(IsEqualGUID(type.majortype, MEDIATYPE_Video)) << i;
        EXPECT_TRUE(IsEqualGUID(type.subtype, mediaSubtypeH264)) << i;
        EXPECT_TRUE(IsEqualGUID(type.formattype, *formats[i])) << i;
        EXPECT_TRUE(type.bTemporalCompression) << i;
        EXPECT_EQ(type.pUnk, nullptr) << i;
    }

    const MPEG2VIDEOINFO& mpeg2 = blockOf<MPEG2VIDEOINFO>(types[0]);
    EXPECT_EQ(types[0].get().cbFormat, offsetof(MPEG2VIDEOINFO, dwSequenceHeader) + sets.size());
    expectVideoHeader(mpeg2.hdr, "MPEG2Video");
    EXPECT_EQ(mpeg2.dwProfile, 77U);
    EXPECT_EQ(mpeg2.dwLevel, 30U);
    EXPECT_EQ(mpeg2.dwFlags, 0U);  // Annex B: start codes, no length prefixes
    EXPECT_EQ(mpeg2.cbSequenceHeader, sets.size());
    EXPECT_EQ(std::memcmp(mpeg2.dwSequenceHeader, sets.data(), sets.size()), 0);

    EXPECT_EQ(types[1].get().cbFormat, sizeof(VIDEOINFOHEADER2));
    expectVideoHeader(blockOf<VIDEOINFOHEADER2>(types[1]), "VideoInfo2");

    ASSERT_EQ(types[2].get().cbFormat, sizeof(VIDEOINFOHEADER));
    const VIDEOINFOHEADER& info = blockOf<VIDEOINFOHEADER>(types[2]);
    EXPECT_EQ(info.AvgTimePerFrame, 400'000);
    EXPECT_EQ(info.bmiHeader.biCompression, h264Fourcc);
    EXPECT_EQ(info.bmiHeader.biWidth, 720);

    EXPECT_EQ(types[3].get().cbFormat, 0U);
    EXPECT_EQ(types[3].get().pbFormat, nullptr);
}

TEST(TrackMediaTypes, H264WithoutRateOrParameterSetsStillDescribesThePicture)
{
    StreamTrackFormat track = videoTrack({});
    track.video.frameRateNumerator = 0;
    track.video.frameRateDenominator = 0;
    const std::vector<MediaType> types = mediaTypesForTrack(track);
    ASSERT_EQ(types.size(), 4U);
    EXPECT_EQ(types[0].get().cbFormat, offsetof(MPEG2VIDEOINFO, dwSequenceHeader));
    EXPECT_EQ(blockOf<MPEG2VIDEOINFO>(types[0]).cbSequenceHeader, 0U);
    EXPECT_EQ(blockOf<MPEG2VIDEOINFO>(types[0]).hdr.AvgTimePerFrame, 0);
    EXPECT_EQ(sampleDuration(track), 0);
}

TEST(TrackMediaTypes, MpegAudioLayersGetTheirSubtypesAndWaveFormats)
{
    const GUID* const payload = &MEDIASUBTYPE_MPEG1AudioPayload;
    const struct {
        std::uint8_t layer;
        std::uint32_t rate;
        std::uint8_t channels;
        std::uint32_t bitrate;
        const GUID* subtypes[2];
        WORD headLayer;
        WORD blockAlign;     // whole frames of one length, or 1 with a padding slot
        WORD mp3BlockSize;   // layer 3 only
        std::int64_t duration;
    } cases[] = {
        {2, 48000, 2, 128000, {payload, &MEDIASUBTYPE_MPEG1Payload}, ACM_MPEG_LAYER2, 384, 0, 240'000},
        {2, 44100, 1, 128000, {payload, &MEDIASUBTYPE_MPEG1Payload}, ACM_MPEG_LAYER2, 1, 0, 261'224},
        {1, 32000, 2, 384000, {payload, &MEDIASUBTYPE_MPEG1Payload}, ACM_MPEG_LAYER1, 576, 0, 120'000},
        {3, 44100, 2, 128000, {&mediaSubtypeMp3, payload}, ACM_MPEG_LAYER3, 1, 417, 261'224},
        {3, 24000, 1, 64000, {&mediaSubtypeMp3, payload}, ACM_MPEG_LAYER3, 192, 192, 240'000},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        StreamTrackFormat track;
        track.kind = StreamTrackKind::mpegAudio;
        track.audio = {c.rate, c.channels, 0, c.layer, c.bitrate};
        EXPECT_EQ(sampleDuration(track), c.duration);
        const std::vector<MediaType> types = mediaTypesForTrack(track);
        ASSERT_EQ(types.size(), 2U);
        for (std::size_t t = 0; t < 2; ++t) {
            EXPECT_TRUE(IsEqualGUID(types[t].get().majortype, MEDIATYPE_Audio)) << t;
            EXPECT_TRUE(IsEqualGUID(types[t].get().subtype, *c.subtypes[t])) << t;
            EXPECT_TRUE(IsEqualGUID(types[t].get().formattype, FORMAT_WaveFormatEx)) << t;
        }

        const MediaType& mpeg1Type = c.layer == 3 ? types[1] : types[0];
        ASSERT_EQ(mpeg1Type.get().cbFormat, sizeof(MPEG1WAVEFORMAT));
        const MPEG1WAVEFORMAT& mpeg1 = blockOf<MPEG1WAVEFORMAT>(mpeg1Type);
        EXPECT_EQ(mpeg1.wfx.wFormatTag, WAVE_FORMAT_MPEG);
        EXPECT_EQ(mpeg1.wfx.nChannels, c.channels);
        EXPECT_EQ(mpeg1.wfx.nSamplesPerSec, c.rate);
        EXPECT_EQ(mpeg1.wfx.nAvgBytesPerSec, c.bitrate / 8);
        EXPECT_EQ(mpeg1.wfx.nBlockAlign, c.layer == 3 && c.rate < 32000 ? 192 : c.blockAlign);
        EXPECT_EQ(mpeg1.wfx.cbSize, sizeof(MPEG1WAVEFORMAT) - sizeof(WAVEFORMATEX));
        EXPECT_EQ(mpeg1.fwHeadLayer, c.headLayer);
        EXPECT_EQ(mpeg1.dwHeadBitrate, c.bitrate);
        EXPECT_EQ(mpeg1.fwHeadMode, c.channels == 1 ? ACM_MPEG_SINGLECHANNEL : ACM_MPEG_STEREO);
        EXPECT_EQ(mpeg1.fwHeadFlags, c.rate >= 32000 ? ACM_MPEG_ID_MPEG1 : 0);

        if (c.layer == 3) {
            ASSERT_EQ(types[0].get().cbFormat, sizeof(MPEGLAYER3WAVEFORMAT));
            const MPEGLAYER3WAVEFORMAT& mp3 = blockOf<MPEGLAYER3WAVEFORMAT>(types[0]);
            EXPECT_EQ(mp3.wfx.wFormatTag, WAVE_FORMAT_MPEGLAYER3);
            EXPECT_EQ(mp3.wfx.nChannels, c.channels);
            EXPECT_EQ(mp3.wfx.nSamplesPerSec, c.rate);
            EXPECT_EQ(mp3.wfx.nAvgBytesPerSec, c.bitrate / 8);
            EXPECT_EQ(mp3.wfx.cbSize, MPEGLAYER3_WFX_EXTRA_BYTES);
            EXPECT_EQ(mp3.wID, MPEGLAYER3_ID_MPEG);
            EXPECT_EQ(mp3.nBlockSize, c.mp3BlockSize);
            EXPECT_EQ(mp3.nFramesPerBlock, 1);
        }
    }
}

// ADTS cannot signal HE-AAC's extensions outside the frames: a core of 24 kHz or less is
// announced at the rate and in the channels an HE-AAC v2 decoder plays it at.
TEST(TrackMediaTypes, AdtsAacIsAnnouncedAsPlayedAndWithItsCoreAndProfile)
{
    const struct {
        const char* name;
        StreamAudioFormat core;
        std::uint32_t rate;
        WORD channels;
        WORD profileLevel;
        std::array<BYTE, 2> config;
        std::int64_t duration;
    } cases[] = {
        {"LC 48 kHz stereo", {48000, 2, 2, 0, 0}, 48000, 2, 0x29, {0x11, 0x90}, 213'333},
        {"HE-AAC v2: 24 kHz mono core", {24000, 1, 2, 0, 0}, 48000, 2, 0x30, {0x13, 0x08}, 426'666},
        {"HE-AAC: 22.05 kHz stereo core", {22050, 2, 2, 0, 0}, 44100, 2, 0x30, {0x13, 0x90}, 464'399},
        {"LC 5.1 at 48 kHz", {48000, 6, 2, 0, 0}, 48000, 6, 0x2A, {0x11, 0xB0}, 213'333},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StreamTrackFormat track;
        track.kind = StreamTrackKind::aacAdts;
        track.audio = c.core;
        const std::vector<MediaType> types = mediaTypesForTrack(track);
        ASSERT_EQ(types.size(), 2U);
        EXPECT_TRUE(IsEqualGUID(types[0].get().majortype, MEDIATYPE_Audio));
        EXPECT_TRUE(IsEqualGUID(types[0].get().subtype, mediaSubtypeMpegAdtsAac));
        EXPECT_TRUE(IsEqualGUID(types[0].get().formattype, FORMAT_WaveFormatEx));
        ASSERT_EQ(types[0].get().cbFormat, sizeof(WAVEFORMATEX));
        const WAVEFORMATEX& wave = blockOf<WAVEFORMATEX>(types[0]);
        EXPECT_EQ(wave.wFormatTag, 0x1600);
        EXPECT_EQ(wave.nChannels, c.channels);
        EXPECT_EQ(wave.nSamplesPerSec, c.rate);
        EXPECT_EQ(wave.cbSize, 0);

        const GUID heAac = {0x00001610, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
        EXPECT_TRUE(IsEqualGUID(types[1].get().subtype, heAac));
        EXPECT_TRUE(IsEqualGUID(types[1].get().formattype, FORMAT_WaveFormatEx));
        ASSERT_EQ(types[1].get().cbFormat, sizeof(HEAACWAVEINFO) + 2);
        const HEAACWAVEINFO& info = blockOf<HEAACWAVEINFO>(types[1]);
        EXPECT_EQ(info.wfx.wFormatTag, 0x1610);
        EXPECT_EQ(info.wfx.nSamplesPerSec, c.core.sampleRate);  // the core, as the format documents
        EXPECT_EQ(info.wfx.nChannels, c.core.channels);
        EXPECT_EQ(info.wfx.cbSize, sizeof(HEAACWAVEINFO) - sizeof(WAVEFORMATEX) + 2);
        EXPECT_EQ(info.wPayloadType, 1);  // ADTS
        EXPECT_EQ(info.wAudioProfileLevelIndication, c.profileLevel);
        const BYTE* config = types[1].get().pbFormat + sizeof(HEAACWAVEINFO);
        EXPECT_EQ(config[0], c.config[0]);
        EXPECT_EQ(config[1], c.config[1]);
        EXPECT_EQ(sampleDuration(track), c.duration);  // 1024 samples of the core
    }
}

TEST(SampleTimeline, TheFirstSampleOfARunFixesTheOffsetForAllPins)
{
    constexpr std::int64_t lead = SampleTimeline::startLead;
    const struct {
        std::int64_t firstStart;
        std::optional<std::int64_t> nowAtFirst;
        std::int64_t laterStart;
        std::int64_t laterExpected;
    } cases[] = {
        {90'000'000, std::nullopt, 90'400'000, 400'000},            // paused: the run starts at zero
        {90'000'000, 30'000'000, 89'000'000, 29'000'000 + lead},    // running: placed ahead of now
        {0, std::nullopt, 10'000'000, 10'000'000},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SampleTimeline timeline;
        const std::int64_t first = timeline.streamTime(cases[i].firstStart, cases[i].nowAtFirst);
        EXPECT_EQ(first, cases[i].nowAtFirst ? *cases[i].nowAtFirst + lead : 0) << i;
        // Later samples, from any pin, keep their distance whatever the clock says.
        EXPECT_EQ(timeline.streamTime(cases[i].laterStart, 77), cases[i].laterExpected) << i;
        timeline.reset();
        EXPECT_EQ(timeline.streamTime(5, std::nullopt), 0) << i;
    }
}

}  // namespace
