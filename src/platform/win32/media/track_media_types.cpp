#include "platform/win32/media/track_media_types.h"

#include <dshow.h>
#include <dvdmedia.h>
#include <mmreg.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <numeric>

#include "platform/win32/media/media_subtypes.h"

namespace telvia::win32 {

namespace {

static_assert(waveFormatMpegLayer3 == WAVE_FORMAT_MPEGLAYER3 && waveFormatMpeg == WAVE_FORMAT_MPEG &&
              waveFormatMpegHeAac == WAVE_FORMAT_MPEG_HEAAC);

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
    // MPEG2VIDEOINFO with the parameter sets comes first: the system's DTV-DVD decoder and
    // the common third-party decoders take subtype H264 (Annex B samples) with it and can
    // set themselves up from its sequence header before the first sample, where a picture
    // would otherwise wait for the next key frame's own sets. VIDEOINFOHEADER2, VIDEOINFO
    // and no format follow for decoders that read only those (they find the sets in the
    // key frames, which carry them). The sequence header holds the sets as they are, Annex
    // B start codes included (dwFlags 0 says so), and the block ends with them.
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

// A decoder of ADTS cannot know before decoding whether the frames carry spectral band
// replication (HE-AAC) or parametric stereo (HE-AAC v2): ADTS signals them only inside the
// frames. An HE-AAC v2 decoder therefore plays a core of 24 kHz or less at twice its rate,
// and such a mono core in stereo, whether the tools turn up or not. That is the sound the
// renderer will get, so that is what the format announces.
struct AacOutput {
    std::uint32_t sampleRate = 0;
    WORD channels = 0;
    bool dualRate = false;
};

AacOutput aacOutputOf(const StreamAudioFormat& audio)
{
    const bool dualRate = audio.sampleRate != 0 && audio.sampleRate <= 24000;
    return {dualRate ? audio.sampleRate * 2 : audio.sampleRate,
            static_cast<WORD>(dualRate && audio.channels == 1 ? 2 : audio.channels), dualRate};
}

// audioProfileLevelIndication of MPEG-4 audio: HE-AAC v2 Profile level 2 (0x30) where the
// core may carry the extensions, else the AAC Profile level that covers rate and channels
// (0x29, 0x2A, 0x2B), or 0xFE, "not specified".
WORD aacProfileLevel(const StreamAudioFormat& audio, const AacOutput& output)
{
    if (output.dualRate && output.channels <= 2) {
        return 0x30;
    }
    // The levels count the main channels: 5.1 is five.
    const unsigned mainChannels = audio.channels == 6 ? 5u : audio.channels == 8 ? 7u : audio.channels;
    if (mainChannels <= 2 && audio.sampleRate <= 48000) {
        return 0x29;
    }
    if (mainChannels <= 5 && audio.sampleRate <= 48000) {
        return 0x2A;
    }
    return mainChannels <= 5 && audio.sampleRate <= 96000 ? 0x2B : 0xFE;
}

// The two-byte AudioSpecificConfig of the core: object type, sample rate index, channel
// configuration.
std::array<BYTE, 2> aacSpecificConfig(const StreamAudioFormat& audio)
{
    static constexpr std::uint32_t rates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                              22050, 16000, 12000, 11025, 8000,  7350};
    unsigned rateIndex = 0;
    while (rateIndex < std::size(rates) && rates[rateIndex] != audio.sampleRate) {
        ++rateIndex;
    }
    const unsigned configuration = audio.channels == 8 ? 7 : audio.channels;
    const unsigned objectType = audio.aacObjectType == 0 ? 2 : audio.aacObjectType;
    return {static_cast<BYTE>(objectType << 3 | (rateIndex & 0x0F) >> 1),
            static_cast<BYTE>((rateIndex & 0x01) << 7 | (configuration & 0x0F) << 3)};
}

// First MPEG_ADTS_AAC with the sound as played, which the system's DTV-DVD audio decoder
// takes; then MPEG_HEAAC with HEAACWAVEINFO (ADTS payload, the profile level and the
// core's AudioSpecificConfig), whose WAVEFORMATEX describes the core as its documentation
// asks, for decoders that read that format.
void addAacTypes(const StreamAudioFormat& audio, std::vector<MediaType>& types)
{
    const AacOutput output = aacOutputOf(audio);
    WAVEFORMATEX wave = waveFormat(waveFormatMpegAdtsAac, audio);
    wave.nSamplesPerSec = output.sampleRate;
    wave.nChannels = output.channels;
    wave.nAvgBytesPerSec = 0;  // ADTS does not say
    types.emplace_back(header(MEDIATYPE_Audio, mediaSubtypeMpegAdtsAac, FORMAT_WaveFormatEx), bytesOf(wave));

    const std::array<BYTE, 2> config = aacSpecificConfig(audio);
    std::array<std::byte, sizeof(HEAACWAVEINFO) + config.size()> block{};
    HEAACWAVEINFO info{};
    info.wfx = waveFormat(waveFormatMpegHeAac, audio);
    info.wfx.nAvgBytesPerSec = 0;
    info.wfx.cbSize = static_cast<WORD>(block.size() - sizeof(WAVEFORMATEX));
    info.wPayloadType = 1;  // ADTS
    info.wAudioProfileLevelIndication = aacProfileLevel(audio, output);
    std::memcpy(block.data(), &info, sizeof info);
    std::memcpy(block.data() + sizeof info, config.data(), config.size());
    types.emplace_back(header(MEDIATYPE_Audio, mediaSubtypeMpegHeAac, FORMAT_WaveFormatEx), block);
}

}  // namespace

std::vector<MediaType> mediaTypesForTrack(const StreamTrackFormat& track)
{
    std::vector<MediaType> types;
    switch (track.kind) {
    case StreamTrackKind::h264:
        addVideoTypes(track.video, types);
        break;
    case StreamTrackKind::aacAdts:
        addAacTypes(track.audio, types);
        break;
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
        // 1024 samples of the core, whatever rate the decoder plays them at.
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
