// The program's own stream source: HLS (also with AES-128 encrypted segments), DASH, MPEG
// transport streams and MP3/AAC radio over HTTP. open() starts a fetch thread that
// downloads and demultiplexes as the bytes arrive and fills one queue per track; the
// filter's threads pull the samples from there.
//
// One address per session. stop() requests the session's one stop, which ends the request
// under way and every wait of the fetch thread and of the consumers, and joins the fetch
// thread; so does the destructor.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string_view>
#include <thread>

#include "platform/cipher_port.h"
#include "platform/http_port.h"
#include "platform/stream_source_port.h"
#include "playback/stream/delivery/sample_exchange.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/net/session_http.h"
#include "playback/stream/session/fetch_settings.h"
#include "playback/stream/session/session_observer.h"
#include "playback/stream/session/stream_fetcher.h"

namespace telvia::stream {

struct StreamSessionSettings {
    HttpTimeouts timeouts;                         // of every request
    std::chrono::milliseconds openTimeout{20'000}; // for open() as a whole
    BufferSettings buffer;
    FetchSettings fetch;
};

class StreamSession final : public StreamSourcePort {
public:
    // The observer, when given, hears how the address opens; it outlives the session.
    StreamSession(HttpClientPort& http, CipherPort& cipher, StreamClock& clock, StreamSourceEvents& events,
                  StreamSessionSettings settings = {}, SessionObserver* observer = nullptr);
    ~StreamSession() override;
    StreamSession(const StreamSession&) = delete;
    StreamSession& operator=(const StreamSession&) = delete;

    // A second call answers notSupported.
    [[nodiscard]] StreamOpenResult open(std::string_view address) override;
    [[nodiscard]] std::span<const StreamTrackFormat> tracks() const override;
    [[nodiscard]] std::optional<StreamSample> nextSample(std::size_t track) override;
    void dropTrack(std::size_t track) override;
    void stop() override;

private:
    void joinFetcher();

    StreamClock& clock_;
    StreamSessionSettings settings_;
    SessionObserver unobserved_;  // for a session nobody observes
    SessionObserver& observer_;
    std::stop_source stop_;
    SessionHttp http_;
    SampleExchange exchange_;
    std::stop_callback<std::function<void()>> stopExchange_;
    StreamFetcher fetcher_;

    std::mutex threadMutex_;
    std::thread thread_;
    bool used_ = false;
};

}  // namespace telvia::stream
