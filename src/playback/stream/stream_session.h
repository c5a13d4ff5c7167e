// The program's own stream source: HLS (also with AES-128 encrypted segments), MPEG
// transport streams and MP3/AAC radio over HTTP. open() starts a fetch thread that
// downloads and demultiplexes as the bytes arrive and fills one queue per track; the
// filter's threads pull the samples from there.
//
// One address per session. The fetch thread is joined by stop() and by the destructor.
#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>
#include <thread>

#include "platform/cipher_port.h"
#include "platform/http_port.h"
#include "playback/stream/media_source.h"
#include "playback/stream/sample_exchange.h"
#include "playback/stream/session_http.h"
#include "playback/stream/stream_clock.h"
#include "playback/stream/stream_fetcher.h"

namespace telvia::stream {

struct StreamSessionSettings {
    HttpTimeouts timeouts;                         // of every request
    std::chrono::milliseconds openTimeout{20'000}; // for open() as a whole
    BufferSettings buffer;
    FetchSettings fetch;
};

class StreamSession final : public MediaSource {
public:
    StreamSession(HttpClientPort& http, CipherPort& cipher, StreamClock& clock, MediaSourceEvents& events,
                  StreamSessionSettings settings = {});
    ~StreamSession() override;
    StreamSession(const StreamSession&) = delete;
    StreamSession& operator=(const StreamSession&) = delete;

    // A second call answers notSupported.
    [[nodiscard]] OpenStatus open(std::string_view address) override;
    [[nodiscard]] std::span<const TrackFormat> tracks() const override;
    [[nodiscard]] std::optional<MediaSample> nextSample(std::size_t track) override;
    void stop() override;

private:
    void joinFetcher();

    StreamClock& clock_;
    StreamSessionSettings settings_;
    SessionHttp http_;
    SampleExchange exchange_;
    StreamFetcher fetcher_;

    std::mutex threadMutex_;
    std::thread thread_;
    bool used_ = false;
};

}  // namespace telvia::stream
