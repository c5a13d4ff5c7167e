#include "platform/win32/media/track_media_types.h"

#include <dshow.h>
#include <dvdmedia.h>
#include <mmreg.h>

#include <cstddef>
#include <cstring>
#include <numeric>

#include "platform/win32/media/media_subtypes.h"

namespace telvia::win32 {

namespace {

static_assert(waveFormatMpegLayer3 == WAVE_FORMAT_MPEGLAYER3 && waveFormatMpeg == WAVE_FORMAT_MPEG);

template <typename Block>
std::span<const std::byte> bytesOf(const Block& block)
{
    return {reinterpret_cast<const std::byte*>(&block), sizeof block};
}

AM_MEDIA_TYPE header(const GUID& major, const GUID& subtype, const GUID& formatType)
{
    AM_MEDIA_TYPE type{};
    type.majortype = major;
    type.subtype = subtype;
    type.formattype = formatType;
    type.bFixedSizeSamples = FALSE;
    type.bTemporalCompression = IsEqualGUID(major, MEDIATYPE_Video) ? TRUE : FALSE;
    type.lSampleSize = 0;
    return type;
}

// The picture aspect ratio from the size and the pixel aspect ratio, in lowest terms.
void pictureAspectRatio(const StreamVideoFormat& video, DWORD& x, DWORD& y)
{
    std::uint64_t across = std::uint64_t{video.width} * (video.sarWidth == 0 ? 1 : video.sarWidth);
    std::uint64_t down = std::uint64_t{video.height} * (video.sarHeight == 0 ? 1 : video.sarHeight);
    if (across == 0 || down == 0) {
        x = 0;
        y = 0;
        return;
    }
    const std::uint64_t divisor = std::gcd(across, down);
    x = static_cast<DWORD>(across / divisor);
    y = static_cast<DWORD>(down / divisor);
}

BITMAPINFOHEADER bitmapHeader(const StreamVideoFormat& video)
{
    BITMAPINFOHEADER bitmap{};
    bitmap.biSize = sizeof bitmap;
    bitmap.biWidth = static_cast<LONG>(video.width);
    bitmap.biHeight = static_cast<LONG>(video.height);
    bitmap.biPlanes = 1;
    bitmap.biBitCount = 24;
    bitmap.biCompression = h264Fourcc;
    return bitmap;
}

REFERENCE_TIME frameDuration(const StreamVideoFormat& video)
{
    if (video.frameRateNumerator == 0 || video.frameRateDenominator == 0) {
        return 0;
    }
    return referenceTimePerSecond * video.frameRateDenominator / video.frameRateNumerator;
}

VIDEOINFOHEADER2 videoInfo2(const StreamVideoFormat& video)
{
    VIDEOINFOHEADER2 info{};
    info.rcSource = {0, 0, static_cast<LONG>(video.width), static_cast<LONG>(video.height)};
    info.rcTarget = info.rcSource;
    info.AvgTimePerFrame = frameDuration(video);
    pictureAspectRatio(video, info.dwPictAspectRatioX, info.dwPictAspectRatioY);
    info.bmiHeader = bitmapHeader(video);
    return info;
}

void addVideoTypes(const StreamVideoFormat& video, std::vector<MediaType>& types)
{
    // MPEG2VIDEOINFO ends in the sequence header: the parameter sets as they are, Annex B
    // start codes included (dwFlags 0 says so), padded to whole DWORDs.
    const std::size_t headerOffset = offsetof(MPEG2VIDEOINFO, dwSequenceHeader);
    const std::size_t sequenceBytes = video.parameterSets.size();
    std::vector<std::byte> mpeg2(std::max(headerOffset + sequenceBytes, sizeof(MPEG2VIDEOINFO)));
    MPEG2VIDEOINFO info{};
    info.hdr = videoInfo2(video);
    info.cbSequenceHeader = static_cast<DWORD>(sequenceBytes);
    info.dwProfile = video.profile;
    info.dwLevel = video.level;
    info.dwFlags = 0;
    std::memcpy(mpeg2.data(), &info, headerOffset);
    if (sequenceBytes != 0) {
        std::memcpy(mpeg2.data() + headerOffset, video.parameterSets.data(), sequenceBytes);
    }
    types.emplace_back(header(MEDIATYPE_Video, mediaSubtypeH264, FORMAT_MPEG2Video),
                       std::span<const std::byte>(mpeg2).first(headerOffset + sequenceBytes));

    const VIDEOINFOHEADER2 info2 = videoInfo2(video);
    types.emplace_back(header(MEDIATYPE_Video, mediaSubtypeH264, FORMAT_VideoInfo2), bytesOf(info2));

    VIDEOINFOHEADER info1{};
    info1.rcSource = info2.rcSource;
    info1.rcTarget = info2.rcTarget;
    info1.AvgTimePerFrame = info2.AvgTimePerFrame;
    info1.bmiHeader = info2.bmiHeader;
    types.emplace_back(header(MEDIATYPE_Video, mediaSubtypeH264, FORMAT_VideoInfo), bytesOf(info1));

    types.emplace_back(header(MEDIATYPE_Video, mediaSubtypeH264, FORMAT_None),
                       std::span<const std::byte>());
}

WAVEFORMATEX waveFormat(WORD tag, const StreamAudioFormat& audio)
{
    WAVEFORMATEX wave{};
    wave.wFormatTag = tag;
    wave.nChannels = audio.channels;
    wave.nSamplesPerSec = audio.sampleRate;
    wave.nAvgBytesPerSec = audio.bitrate / 8;
    wave.nBlockAlign = 1;
    wave.wBitsPerSample = 0;
    wave.cbSize = 0;
    return wave;
}

bool isMpeg1SampleRate(std::uint32_t sampleRate) { return sampleRate >= 32000; }

// Bytes per frame when every frame has the same length (no padding slot), else 1: what
// MPEG1WAVEFORMAT's nBlockAlign holds.
WORD mpegBlockAlign(const StreamAudioFormat& audio)
{
    if (audio.sampleRate == 0) {
        return 1;
    }
    const std::uint64_t slotBytes = audio.mpegLayer == 1 ? 4 : 1;
    const std::uint64_t bitsPerSlotPeriod =
        std::uint64_t{mpegAudioSamplesPerFrame(audio.mpegLayer, audio.sampleRate)} / 8 / slotBytes *
        audio.bitrate;
    if (bitsPerSlotPeriod % audio.sampleRate != 0) {
        return 1;
    }
    return static_cast<WORD>(bitsPerSlotPeriod / audio.sampleRate * slotBytes);
}

MPEG1WAVEFORMAT mpeg1WaveFormat(const StreamAudioFormat& audio)
{
    MPEG1WAVEFORMAT format{};
    format.wfx = waveFormat(WAVE_FORMAT_MPEG, audio);
    format.wfx.nBlockAlign = mpegBlockAlign(audio);
    format.wfx.cbSize = sizeof(MPEG1WAVEFORMAT) - sizeof(WAVEFORMATEX);
    format.fwHeadLayer = audio.mpegLayer == 1   ? ACM_MPEG_LAYER1
                         : audio.mpegLayer == 2 ? ACM_MPEG_LAYER2
                                                : ACM_MPEG_LAYER3;
    format.dwHeadBitrate = audio.bitrate;
    format.fwHeadMode = audio.channels == 1 ? ACM_MPEG_SINGLECHANNEL : ACM_MPEG_STEREO;
    format.fwHeadModeExt = 0;
    format.wHeadEmphasis = 1;  // none
    format.fwHeadFlags = isMpeg1SampleRate(audio.sampleRate) ? ACM_MPEG_ID_MPEG1 : 0;
    return format;
}

MPEGLAYER3WAVEFORMAT mp3WaveFormat(const StreamAudioFormat& audio)
{
    MPEGLAYER3WAVEFORMAT format{};
    format.wfx = waveFormat(WAVE_FORMAT_MPEGLAYER3, audio);
    format.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    format.wID = MPEGLAYER3_ID_MPEG;
    format.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    format.nBlockSize = audio.sampleRate == 0
                            ? 0
                            : static_cast<WORD>(std::uint64_t{mpegAudioSamplesPerFrame(3, audio.sampleRate)} /
                                                8 * audio.bitrate / audio.sampleRate);
    format.nFramesPerBlock = 1;
    format.nCodecDelay = 0;
    return format;
}

void addMpegAudioTypes(const StreamAudioFormat& audio, std::vector<MediaType>& types)
{
    const MPEG1WAVEFORMAT mpeg1 = mpeg1WaveFormat(audio);
    if (audio.mpegLayer == 3) {
        const MPEGLAYER3WAVEFORMAT mp3 = mp3WaveFormat(audio);
        types.emplace_back(header(MEDIATYPE_Audio, mediaSubtypeMp3, FORMAT_WaveFormatEx), bytesOf(mp3));
        types.emplace_back(header(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload, FORMAT_WaveFormatEx),
                           bytesOf(mpeg1));
        return;
    }
    types.emplace_back(header(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1AudioPayload, FORMAT_WaveFormatEx),
                       bytesOf(mpeg1));
    types.emplace_back(header(MEDIATYPE_Audio, MEDIASUBTYPE_MPEG1Payload, FORMAT_WaveFormatEx),
                       bytesOf(mpeg1));
}

}  // namespace

std::vector<MediaType> mediaTypesForTrack(const StreamTrackFormat& track)
{
    std::vector<MediaType> types;
    switch (track.kind) {
    case StreamTrackKind::h264:
        addVideoTypes(track.video, types);
        break;
    case StreamTrackKind::aacAdts: {
        WAVEFORMATEX wave = waveFormat(waveFormatMpegAdtsAac, track.audio);
        wave.nAvgBytesPerSec = 0;  // ADTS does not say
        types.emplace_back(header(MEDIATYPE_Audio, mediaSubtypeMpegAdtsAac, FORMAT_WaveFormatEx),
                           bytesOf(wave));
        break;
    }
    case StreamTrackKind::mpegAudio:
        addMpegAudioTypes(track.audio, types);
        break;
    }
    return types;
}

std::uint32_t mpegAudioSamplesPerFrame(std::uint8_t layer, std::uint32_t sampleRate)
{
    if (layer == 1) {
        return 384;
    }
    if (layer == 3 && !isMpeg1SampleRate(sampleRate)) {
        return 576;
    }
    return 1152;
}

std::int64_t sampleDuration(const StreamTrackFormat& track)
{
    const std::uint32_t rate = track.audio.sampleRate;
    switch (track.kind) {
    case StreamTrackKind::h264:
        return frameDuration(track.video);
    case StreamTrackKind::aacAdts:
        return rate == 0 ? 0 : referenceTimePerSecond * 1024 / rate;
    case StreamTrackKind::mpegAudio:
        return rate == 0 ? 0
                         : referenceTimePerSecond * mpegAudioSamplesPerFrame(track.audio.mpegLayer, rate) /
                               rate;
    }
    return 0;
}

BufferNeeds bufferNeeds(StreamTrackKind kind)
{
    // A key frame of a high-rate 1080p stream fits in 3 MiB; ADTS frames are at most 8 KiB.
    if (kind == StreamTrackKind::h264) {
        return {6, 3 * 1024 * 1024};
    }
    return {16, 16 * 1024};
}

}  // namespace telvia::win32
