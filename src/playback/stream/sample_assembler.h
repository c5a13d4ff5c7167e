// Between the demultiplexer and the queues of the stream source: picks at most one video
// and one audio stream of the program, holds the data back until each of them knows its
// format (the video from its first key frame, the audio from a frame at or after it), and
// then hands on samples whose times count from 0 at that key frame.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "playback/stream/elementary_stream.h"
#include "playback/stream/media_source.h"
#include "playback/stream/timestamp_mapper.h"
#include "playback/stream/track_format.h"
#include "playback/stream/ts_demuxer.h"

namespace telvia::stream {

struct TrackSample {
    std::size_t track = 0;  // index into SampleAssembler::tracks()
    MediaSample sample;
};

struct AssemblerSettings {
    // Audio frames kept while the video's first key frame is awaited; older ones go.
    std::size_t audioWhileAwaitingVideo = 256;
    // Stream time of video after its first key frame without any audio, after which the
    // audio the program lists is given up and the video plays alone.
    std::int64_t audioPatience = 5 * static_cast<std::int64_t>(streamClockRate);
};

class SampleAssembler {
public:
    explicit SampleAssembler(AssemblerSettings settings = {}) : settings_(settings) {}

    // The streams of the program as the demultiplexer lists them; call again whenever
    // they may have changed. Once the tracks are fixed, a stream that leaves the program
    // is replaced by another one of the same kind.
    void setProgram(std::span<const ProgramStream> streams);

    void push(AccessUnit unit);

    // The timestamps may restart with the next unit: an announced discontinuity, a skipped
    // segment, a jump to the live edge. The next sample of every track says so.
    void discontinuity();
    // Data was lost: the next sample of every track says so.
    void loss();

    enum class State : std::uint8_t {
        awaitingProgram,  // no program map yet
        awaitingFormats,  // tracks chosen, a key frame or an audio frame missing
        ready,            // tracks() is final and samples flow
        noPlayableTrack,  // the program holds nothing the system decodes
    };
    [[nodiscard]] State state() const { return state_; }

    // Final once the state is ready: video first.
    [[nodiscard]] std::span<const TrackFormat> tracks() const { return tracks_; }

    // Samples completed since the last call, in stream order.
    [[nodiscard]] std::vector<TrackSample> takeSamples();

private:
    struct Chosen {
        std::uint16_t pid = 0;
        EsKind kind = EsKind::h264;
    };

    [[nodiscard]] bool isVideo(const AccessUnit& unit) const { return video_ && unit.pid == video_->pid; }
    [[nodiscard]] bool isAudio(const AccessUnit& unit) const { return audio_ && unit.pid == audio_->pid; }
    void stage(AccessUnit unit);
    void tryToStart();
    void start(std::uint64_t anchor, const std::optional<VideoTrackFormat>& video,
               const std::optional<AudioTrackFormat>& audio);
    void emit(AccessUnit unit);

    AssemblerSettings settings_;
    State state_ = State::awaitingProgram;
    std::optional<Chosen> video_;
    std::optional<Chosen> audio_;
    ParameterSetKeeper parameterSets_;

    // Before the start: units from the video's first key frame on, and audio.
    std::deque<AccessUnit> staged_;
    std::optional<VideoTrackFormat> keyFrameFormat_;  // set once a key frame is staged
    std::uint64_t keyFrameTime_ = 0;                  // its decoding time

    std::vector<TrackFormat> tracks_;
    std::optional<std::size_t> videoTrack_;
    std::optional<std::size_t> audioTrack_;
    TimestampMapper mapper_;
    std::array<bool, 2> discontinuityPending_{};
    std::array<std::int64_t, 2> lastStart_{};
    std::vector<TrackSample> samples_;
};

}  // namespace telvia::stream
