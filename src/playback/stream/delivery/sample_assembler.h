// Between the demultiplexer and the queues of the stream source: picks at most one video
// and one audio stream of the program, holds the data back until each of them knows its
// format (the video from its first key frame, the audio from a frame at or after it), and
// then hands on samples whose times count from 0 at that key frame.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/stream_source_port.h"
#include "playback/stream/container/elementary_stream.h"
#include "playback/stream/container/track_format.h"
#include "playback/stream/delivery/timestamp_mapper.h"

namespace telvia::stream {

struct TrackSample {
    std::size_t track = 0;  // index into SampleAssembler::tracks()
    StreamSample sample;
};

struct AssemblerSettings {
    // Audio frames kept while the video's first key frame is awaited; older ones go.
    std::size_t audioWhileAwaitingVideo = 256;
    // Stream time of video after its first key frame without any audio, after which the
    // audio the program lists is given up and the video plays alone.
    std::int64_t audioPatience = 5 * static_cast<std::int64_t>(streamClockRate);
    // What waits for the start at most. The patience above at 1080p and 60 pictures a
    // second is 300 pictures and some 15 MB at 25 Mb/s, well above what real channels
    // send; pictures whose times stand still would otherwise stage without end.
    std::size_t stagedUnitLimit = 2000;
    std::size_t stagedByteLimit = 24 * 1024 * 1024;
};

class SampleAssembler {
public:
    explicit SampleAssembler(AssemblerSettings settings = {}) : settings_(settings) {}

    // The streams of the program as the demultiplexer lists them; call again whenever
    // they may have changed. Once the tracks are fixed, a stream that leaves the program
    // is replaced by another one of the same kind; sound that comes back in another kind
    // goes on on the audio track, its first sample carrying the new format.
    void setProgram(std::span<const StreamDescription> streams);

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
    [[nodiscard]] std::span<const StreamTrackFormat> tracks() const { return tracks_; }

    // Samples completed since the last call, in stream order.
    [[nodiscard]] std::vector<TrackSample> takeSamples();

private:
    struct Chosen {
        StreamId stream;
        StreamTrackKind kind = StreamTrackKind::h264;
    };

    [[nodiscard]] bool isVideo(const AccessUnit& unit) const { return video_ && unit.stream == video_->stream; }
    [[nodiscard]] bool isAudio(const AccessUnit& unit) const { return audio_ && unit.stream == audio_->stream; }
    void stage(AccessUnit unit);
    void keep(AccessUnit unit);
    [[nodiscard]] bool fitsTheKeyFrame(const AccessUnit& unit) const;
    void keepAudioThatFitsTheKeyFrame();
    [[nodiscard]] bool stagingIsFull() const;
    void clearStaging();
    void tryToStart();
    void start(std::uint64_t anchor, const std::optional<StreamVideoFormat>& video,
               const std::optional<StreamAudioFormat>& audio);
    void emit(AccessUnit unit);
    // Whether the unit goes on to the queues, after watching its track's clock for a
    // jump back that nobody announced (an encoder that restarted).
    [[nodiscard]] bool followsItsTracksClock(std::size_t track, const AccessUnit& unit);
    // The audio track's new format when this frame brings one, else nothing.
    [[nodiscard]] std::shared_ptr<const StreamTrackFormat> soundChange(const AccessUnit& unit);

    AssemblerSettings settings_;
    State state_ = State::awaitingProgram;
    std::optional<Chosen> video_;
    std::optional<Chosen> audio_;
    ParameterSetKeeper parameterSets_;

    // Before the start: units from the video's first key frame on, and audio.
    std::deque<AccessUnit> staged_;
    std::size_t stagedBytes_ = 0;
    std::size_t stagedAudio_ = 0;  // staged audio that fits the key frame, once there is one
    std::optional<StreamVideoFormat> keyFrameFormat_;  // set once a key frame is staged
    std::uint64_t keyFrameTime_ = 0;                  // its decoding time

    std::vector<StreamTrackFormat> tracks_;
    StreamTrackFormat soundNow_;  // the audio track's format as its latest frame told it
    std::optional<std::size_t> videoTrack_;
    std::optional<std::size_t> audioTrack_;
    TimestampMapper mapper_;
    std::array<bool, 2> discontinuityPending_{};
    std::array<std::int64_t, 2> lastStart_{};
    // Per track: the latest decoding time handed on, on the stream's clock.
    std::array<std::optional<std::uint64_t>, 2> lastDecoding_{};
    // After one track's clock went back: the other track's is expected back too, until
    // the first has gone on this far (its own latest decoding time then).
    std::array<std::optional<std::uint64_t>, 2> awaitingJumpUntil_{};
    std::vector<TrackSample> samples_;
};

}  // namespace telvia::stream
