// Serves a stream session (MediaSource) through the platform's stream source port, which is
// what the source filter pulls from: formats and samples are handed over field by field,
// buffering reports go through unchanged.
#pragma once

#include <functional>
#include <memory>

#include "platform/stream_source_port.h"
#include "playback/stream/media_source.h"

namespace telvia::stream {

// Makes a session that reports its buffering to the given events; they outlive the session.
using MediaSourceFactory = std::function<std::unique_ptr<MediaSource>(MediaSourceEvents&)>;

[[nodiscard]] StreamTrackFormat toPortFormat(const TrackFormat& format);
[[nodiscard]] StreamOpenResult toPortResult(OpenStatus status);

// A factory for the port whose sources each own one session made by makeSession.
[[nodiscard]] StreamSourceFactory bridgeToStreamSourcePort(MediaSourceFactory makeSession);

}  // namespace telvia::stream
