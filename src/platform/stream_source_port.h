// What the program's own source filter pulls from: an opened stream's tracks with what a
// decoder must know before its first sample, then the samples of each track, each track
// pulled by its own streaming thread. The stream session of the playback layer implements
// it; the filter is the platform adapter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace telvia {

// Sample times count 100 ns units, as the media framework does.
inline constexpr std::int64_t referenceTimePerSecond = 10'000'000;

enum class StreamTrackKind : std::uint8_t {
    h264,       // Annex B byte stream, one access unit per sample
    aacAdts,    // one ADTS frame per sample, header included
    mpegAudio,  // one MPEG audio frame per sample, layer 1, 2 or 3
};

struct StreamVideoFormat {
    std::uint32_t width = 0;  // displayed size
    std::uint32_t height = 0;
    std::uint32_t sarWidth = 1;  // pixel aspect ratio
    std::uint32_t sarHeight = 1;
    std::uint8_t profile = 0;  // profile_idc and level_idc of the sequence parameter set
    std::uint8_t level = 0;
    // Frames per second as a fraction; 0/0 when unknown.
    std::uint32_t frameRateNumerator = 0;
    std::uint32_t frameRateDenominator = 0;
    // Sequence and picture parameter sets, each after a 00 00 00 01 start code.
    std::vector<std::uint8_t> parameterSets;
};

struct StreamAudioFormat {
    std::uint32_t sampleRate = 0;
    std::uint8_t channels = 0;
    std::uint8_t aacObjectType = 0;  // ADTS only: 2 for AAC LC
    std::uint8_t mpegLayer = 0;      // MPEG audio only: 1, 2 or 3
    std::uint32_t bitrate = 0;       // MPEG audio: bits per second of the first frame
};

struct StreamTrackFormat {
    StreamTrackKind kind = StreamTrackKind::h264;
    StreamVideoFormat video;  // for h264
    StreamAudioFormat audio;  // for the audio kinds
};

struct StreamSample {
    std::vector<std::uint8_t> data;
    std::int64_t start = 0;  // 100 ns units from the start of playback
    bool keyFrame = false;
    bool discontinuity = false;  // data was lost or the stream jumped before this sample
    // Set on the first sample of a new format of the track (another codec, rate or channel
    // count, as when a broadcast switches its sound); the samples after it share it.
    std::shared_ptr<const StreamTrackFormat> newFormat;
};

enum class StreamOpenResult : std::uint8_t {
    opened,
    unreachable,      // the network or the server failed or did not answer in time
    notSupported,     // nothing the source reads
    noPlayableTrack,  // nothing the system decodes
    stopped,          // stop() came while opening
};

// Told when playback runs dry and when it has enough again; from any thread.
class StreamSourceEvents {
public:
    virtual ~StreamSourceEvents() = default;
    virtual void onBuffering(bool started) = 0;
};

// Blocking calls from the filter's threads; stop() may come from any thread, makes every
// blocked call return promptly and ends the source for good.
class StreamSourcePort {
public:
    virtual ~StreamSourcePort() = default;

    // Returns once every track knows its format (from the first key frame and the first
    // audio frame), or on failure; bounded by the source's own time-outs.
    [[nodiscard]] virtual StreamOpenResult open(std::string_view utf8Address) = 0;
    // Valid after a successful open: at most one video and one audio track, video first.
    [[nodiscard]] virtual std::span<const StreamTrackFormat> tracks() const = 0;
    // The next sample of the track, waiting for it; nothing at the end of the stream or
    // after stop(). The first sample of every track is the one its format came from.
    [[nodiscard]] virtual std::optional<StreamSample> nextSample(std::size_t track) = 0;
    // Nobody pulls the track from now on (nothing downstream plays it): its samples are
    // thrown away, so that they cannot hold back the tracks that play.
    virtual void dropTrack(std::size_t track) = 0;
    virtual void stop() = 0;
};

// Makes a source that reports its buffering to the given events; they outlive the source.
using StreamSourceFactory = std::function<std::unique_ptr<StreamSourcePort>(StreamSourceEvents&)>;

}  // namespace telvia
