// Plays a plain stream over HTTP (a transport stream or a radio stream) from the body of
// its answer. A stream that breaks off after it played is asked for again, after a delay
// that doubles with each attempt in a row that brings nothing, and is picked up where the
// server now stands.
#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "playback/stream/delivery/sample_exchange.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/net/icy_metadata.h"
#include "playback/stream/net/session_http.h"
#include "playback/stream/session/fetch_settings.h"
#include "playback/stream/session/media_pipeline.h"
#include "playback/stream/session/play_outcome.h"

namespace telvia::stream {

// An answer whose first bytes have been read already, to tell what it holds.
struct OpenedBody {
    std::unique_ptr<SessionTransfer> transfer;
    IcyMetadataSkipper skipper;  // radio servers may put metadata between the audio bytes
    std::vector<std::uint8_t> first;
    bool ended = false;  // the first bytes are all there is
};

class PlainStreamPlayback {
public:
    PlainStreamPlayback(SessionHttp& http, SampleExchange& exchange, StreamClock& clock, const FetchSettings& settings,
                        std::stop_token stop);

    [[nodiscard]] PlayOutcome play(const std::string& address, OpenedBody body, MediaPipeline& pipeline);

private:
    enum class BodyEnd : std::uint8_t { complete, brokenOff, stopped, nothingPlayable };

    // Reads the rest of the body through the pipeline; `delivered` tells whether any of it came.
    [[nodiscard]] BodyEnd readBody(OpenedBody& body, MediaPipeline& pipeline, bool& delivered);
    // The address asked for again, after the delay for `failures` attempts in a row that
    // brought nothing; false once the attempts are used up or the session stops.
    [[nodiscard]] bool reconnect(const std::string& address, int& failures, OpenedBody& body);

    SessionHttp& http_;
    SampleExchange& exchange_;
    StreamClock& clock_;
    const FetchSettings& settings_;
    std::stop_token stop_;
    std::vector<std::uint8_t> buffer_;  // one read's bytes
};

// The skipper for an answer's "icy-metaint" header, or one that skips nothing.
[[nodiscard]] IcyMetadataSkipper metadataSkipperFor(const HttpResponseHead& head);

}  // namespace telvia::stream
