#include "playback/stream/media_source_bridge.h"

#include <utility>
#include <vector>

namespace telvia::stream {

namespace {

StreamTrackKind toPortKind(EsKind kind)
{
    switch (kind) {
    case EsKind::h264:
        return StreamTrackKind::h264Video;
    case EsKind::aacAdts:
        return StreamTrackKind::aacAdtsAudio;
    case EsKind::mpegAudio:
        return StreamTrackKind::mpegAudio;
    }
    return StreamTrackKind::h264Video;
}

// Owns the session and stands between it and the port's events. The events object is
// handed to the session before the session exists, so it is a member made first.
class BridgedSource final : public StreamSourcePort, private MediaSourceEvents {
public:
    BridgedSource(const MediaSourceFactory& makeSession, StreamSourceEvents& events)
        : events_(events), session_(makeSession(*this))
    {
    }

    [[nodiscard]] bool valid() const { return session_ != nullptr; }

    StreamOpenResult open(std::string_view utf8Address) override
    {
        const OpenStatus status = session_->open(utf8Address);
        if (status == OpenStatus::opened) {
            tracks_.clear();
            for (const TrackFormat& format : session_->tracks()) {
                tracks_.push_back(toPortFormat(format));
            }
        }
        return toPortResult(status);
    }

    std::span<const StreamTrackFormat> tracks() const override { return tracks_; }

    std::optional<StreamSample> nextSample(std::size_t track) override
    {
        std::optional<MediaSample> sample = session_->nextSample(track);
        if (!sample) {
            return std::nullopt;
        }
        return StreamSample{std::move(sample->data), sample->start, sample->keyFrame,
                            sample->discontinuity};
    }

    void stop() override { session_->stop(); }

private:
    void onBuffering(bool started) override { events_.onBuffering(started); }

    StreamSourceEvents& events_;
    std::unique_ptr<MediaSource> session_;
    std::vector<StreamTrackFormat> tracks_;
};

}  // namespace

StreamTrackFormat toPortFormat(const TrackFormat& format)
{
    StreamTrackFormat port;
    port.kind = toPortKind(format.kind);
    const VideoTrackFormat& video = format.video;
    port.video = {video.width,      video.height,
                  video.sarWidth,   video.sarHeight,
                  video.profile,    video.level,
                  video.frameRateNumerator, video.frameRateDenominator,
                  video.parameterSets};
    const AudioTrackFormat& audio = format.audio;
    port.audio = {audio.sampleRate, audio.channels, audio.aacObjectType, audio.mpegLayer,
                  audio.bitrate};
    return port;
}

StreamOpenResult toPortResult(OpenStatus status)
{
    switch (status) {
    case OpenStatus::opened:
        return StreamOpenResult::opened;
    case OpenStatus::unreachable:
        return StreamOpenResult::unreachable;
    case OpenStatus::notSupported:
        return StreamOpenResult::notSupported;
    case OpenStatus::noPlayableTrack:
        return StreamOpenResult::noPlayableTrack;
    case OpenStatus::stopped:
        return StreamOpenResult::stopped;
    }
    return StreamOpenResult::notSupported;
}

StreamSourceFactory bridgeToStreamSourcePort(MediaSourceFactory makeSession)
{
    return [makeSession = std::move(makeSession)](
               StreamSourceEvents& events) -> std::unique_ptr<StreamSourcePort> {
        auto source = std::make_unique<BridgedSource>(makeSession, events);
        if (!source->valid()) {
            return nullptr;
        }
        return source;
    };
}

}  // namespace telvia::stream
