// What a stream source hands to the output pins of the program's source filter: the
// tracks of an opened stream, each with what a decoder must know before its first sample,
// and then the samples of each track, pulled by that track's own streaming thread.
#pragma once

#include <cstdint>

#include "platform/stream_source_port.h"

namespace telvia::stream {

// Reference time: 100 ns units, as the media framework counts.
inline constexpr std::int64_t referenceTimePerSecond = 10'000'000;

// The session serves the platform's stream source port directly; these are its types
// under the names the stream code uses.
using VideoTrackFormat = StreamVideoFormat;
using AudioTrackFormat = StreamAudioFormat;
using TrackFormat = StreamTrackFormat;
using MediaSample = StreamSample;
using OpenStatus = StreamOpenResult;
using MediaSourceEvents = StreamSourceEvents;
using MediaSource = StreamSourcePort;

}  // namespace telvia::stream
