// The sessions behind the program's own source filter: each Load makes a stream session over
// the one WinHTTP client of the process, decrypting with its one BCrypt cipher where a
// stream is encrypted, paced by the steady clock. The program and the stream probe open
// addresses through the same sessions.
#pragma once

#include <mutex>
#include <optional>

#include "platform/stream_source_port.h"
#include "platform/win32/net/win32_cipher.h"
#include "platform/win32/net/win32_http.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/session/session_observer.h"

namespace telvia::program {

class StreamSessions {
public:
    // The observer, when given, hears how each session opens its address, from the
    // session's fetch thread; it outlives every session.
    explicit StreamSessions(stream::SessionObserver* observer = nullptr) : observer_(observer) {}
    StreamSessions(const StreamSessions&) = delete;
    StreamSessions& operator=(const StreamSessions&) = delete;

    // What the source filter makes its source with; it refers to this object, which must
    // outlive every filter made with it.
    [[nodiscard]] StreamSourceFactory factory();

private:
    // Opened with the first stream, so that start-up does not wait for the network.
    std::mutex httpMutex_;
    std::optional<win32::Win32HttpClient> http_;
    win32::Win32Cipher cipher_;  // opens the system's cipher when a stream first needs it
    stream::SteadyStreamClock clock_;
    stream::SessionObserver* observer_;
};

}  // namespace telvia::program
