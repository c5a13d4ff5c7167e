// What a stream source hands to the output pins of the program's source filter: the
// tracks of an opened stream, each with what a decoder must know before its first sample,
// and then the samples of each track, pulled by that track's own streaming thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "playback/stream/elementary_stream.h"

namespace telvia::stream {

// Reference time: 100 ns units, as the media framework counts.
inline constexpr std::int64_t referenceTimePerSecond = 10'000'000;

struct VideoTrackFormat {
    std::uint32_t width = 0;  // displayed size, cropping applied
    std::uint32_t height = 0;
    std::uint32_t sarWidth = 1;  // pixel aspect ratio
    std::uint32_t sarHeight = 1;
    std::uint8_t profile = 0;  // profile_idc and level_idc of the sequence parameter set
    std::uint8_t level = 0;
    // Frames per second as a fraction; 0/0 when the stream does not say.
    std::uint32_t frameRateNumerator = 0;
    std::uint32_t frameRateDenominator = 0;
    // The sequence and picture parameter sets, each after a 00 00 00 01 start code.
    std::vector<std::uint8_t> parameterSets;
};

struct AudioTrackFormat {
    std::uint32_t sampleRate = 0;
    std::uint8_t channels = 0;
    std::uint8_t aacObjectType = 0;  // ADTS: 2 for AAC LC; 0 for MPEG audio
    std::uint8_t mpegLayer = 0;      // MPEG audio: 1, 2 or 3; 0 for AAC
    std::uint32_t bitrate = 0;       // MPEG audio: bits per second of the first frame
};

struct TrackFormat {
    EsKind kind = EsKind::h264;
    VideoTrackFormat video;  // for h264
    AudioTrackFormat audio;  // for aacAdts and mpegAudio
};

struct MediaSample {
    std::vector<std::uint8_t> data;  // one access unit as the demultiplexer gives it
    std::int64_t start = 0;          // presentation time from the start of playback, 100 ns
    bool keyFrame = false;
    bool discontinuity = false;  // data was lost or the stream jumped before this sample
};

enum class OpenStatus : std::uint8_t {
    opened,
    unreachable,     // the network or the server failed, or did not answer in time
    notSupported,    // the address or what it serves is nothing the source reads
    noPlayableTrack, // the stream holds nothing the system decodes
    stopped,         // stop() was called while opening
};

// Told when playback runs dry and when it has enough again.
class MediaSourceEvents {
public:
    virtual ~MediaSourceEvents() = default;
    virtual void onBuffering(bool started) = 0;
};

// Blocking calls, made from the filter's threads; stop() may come from any thread and
// makes every blocked call return promptly.
class MediaSource {
public:
    virtual ~MediaSource() = default;

    // Returns once every track knows its format (from the first key frame and the first
    // audio frame), or on failure; bounded by the source's own time-outs.
    [[nodiscard]] virtual OpenStatus open(std::string_view address) = 0;
    // Valid after a successful open: at most one video and one audio track, video first.
    [[nodiscard]] virtual std::span<const TrackFormat> tracks() const = 0;
    // The next sample of the track, waiting for it; nothing at the end of the stream or
    // after stop(). The first sample of every track is the one its format came from.
    [[nodiscard]] virtual std::optional<MediaSample> nextSample(std::size_t track) = 0;
    virtual void stop() = 0;
};

}  // namespace telvia::stream
