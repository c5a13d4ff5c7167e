#include "playback/stream/container/track_format.h"

#include "playback/stream/container/adts_header.h"
#include "playback/stream/container/annexb.h"
#include "playback/stream/container/h264_sps.h"
#include "playback/stream/container/mpeg_audio_header.h"

namespace telvia::stream {

namespace {

void appendWithStartCode(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& nal)
{
    out.insert(out.end(), {0, 0, 0, 1});
    out.insert(out.end(), nal.begin(), nal.end());
}

}  // namespace

void ParameterSetKeeper::observe(std::span<const std::uint8_t> accessUnit)
{
    for (const std::span<const std::uint8_t> nal : splitNalUnits(accessUnit)) {
        const std::uint8_t type = nal[0] & 0x1F;
        if (type == nalTypeSps) {
            sps_.assign(nal.begin(), nal.end());
        } else if (type == nalTypePps) {
            pps_.assign(nal.begin(), nal.end());
        }
    }
}

std::optional<StreamVideoFormat> ParameterSetKeeper::format() const
{
    if (sps_.empty() || pps_.empty()) {
        return std::nullopt;
    }
    const std::optional<H264Sps> sps = parseH264Sps(sps_);
    if (!sps) {
        return std::nullopt;
    }
    StreamVideoFormat format;
    format.width = sps->width;
    format.height = sps->height;
    format.sarWidth = sps->sarWidth;
    format.sarHeight = sps->sarHeight;
    format.profile = sps->profileIdc;
    format.level = sps->levelIdc;
    format.frameRateNumerator = sps->frameRateNumerator;
    format.frameRateDenominator = sps->frameRateDenominator;
    appendWithStartCode(format.parameterSets, sps_);
    appendWithStartCode(format.parameterSets, pps_);
    return format;
}

std::optional<StreamAudioFormat> audioFormatOf(StreamTrackKind kind, std::span<const std::uint8_t> frame)
{
    StreamAudioFormat format;
    if (kind == StreamTrackKind::aacAdts) {
        const std::optional<AdtsHeader> header = parseAdtsHeader(frame);
        if (!header) {
            return std::nullopt;
        }
        format.sampleRate = header->sampleRate;
        // Configuration 0 leaves the layout to the stream; stereo is the usual guess.
        format.channels = header->channelConfiguration == 7 ? 8
                          : header->channelConfiguration == 0 ? 2
                                                              : header->channelConfiguration;
        format.aacObjectType = header->audioObjectType;
        return format;
    }
    if (kind == StreamTrackKind::mpegAudio) {
        const std::optional<MpegAudioHeader> header = parseMpegAudioHeader(frame);
        if (!header) {
            return std::nullopt;
        }
        format.sampleRate = header->sampleRate;
        format.channels = header->channels;
        format.mpegLayer = header->layer;
        format.bitrate = header->bitrate;
        return format;
    }
    return std::nullopt;
}

}  // namespace telvia::stream
