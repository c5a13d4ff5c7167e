// The work of a stream session's fetch thread: asks for the address, tells from the first
// bytes of the answer what it holds, and plays it as an HLS playlist, a DASH manifest or a
// plain stream (a transport stream or a radio stream) until it ends, fails or the session
// stops.
#pragma once

#include <stop_token>
#include <string>

#include "platform/cipher_port.h"
#include "playback/stream/address/address_classification.h"
#include "playback/stream/delivery/sample_exchange.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/net/session_http.h"
#include "playback/stream/session/fetch_settings.h"
#include "playback/stream/session/play_outcome.h"
#include "playback/stream/session/session_observer.h"

namespace telvia::stream {

class StreamFetcher {
public:
    StreamFetcher(SessionHttp& http, CipherPort& cipher, SampleExchange& exchange, StreamClock& clock,
                  FetchSettings settings, SessionObserver& observer, std::stop_token stop)
        : http_(http),
          cipher_(cipher),
          exchange_(exchange),
          clock_(clock),
          settings_(settings),
          observer_(observer),
          stop_(std::move(stop))
    {
    }

    // The whole life of the stream; tells the exchange how it opened and when it ended.
    void run(const std::string& address, AddressKind kind);

private:
    [[nodiscard]] PlayOutcome play(const std::string& address, AddressKind kind);
    // A failed request: stopped when the session's stop made it fail.
    [[nodiscard]] PlayOutcome unreachable() const;

    SessionHttp& http_;
    CipherPort& cipher_;
    SampleExchange& exchange_;
    StreamClock& clock_;
    FetchSettings settings_;
    SessionObserver& observer_;
    std::stop_token stop_;
};

}  // namespace telvia::stream
