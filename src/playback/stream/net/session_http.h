// The HTTP requests of one stream session: each carries the headers the address asked
// for and the session's time-outs. Once the session's stop is requested, from any thread,
// the transfer under way ends at once, and every one made after it fails.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

#include "platform/http_port.h"
#include "playback/stream/net/request_observer.h"

namespace telvia::stream {

class SessionHttp;

// One request, stopped with its session while it lives.
class SessionTransfer {
public:
    SessionTransfer(SessionHttp& owner, std::string address, std::unique_ptr<HttpTransfer> transfer);
    ~SessionTransfer();
    SessionTransfer(const SessionTransfer&) = delete;
    SessionTransfer& operator=(const SessionTransfer&) = delete;

    // Sends the request and waits for the answer's head; the session's observer hears of it.
    [[nodiscard]] HttpStarted start();
    [[nodiscard]] HttpReadResult read(std::span<std::byte> into) { return transfer_->read(into); }
    [[nodiscard]] HttpReadResult read(std::span<std::uint8_t> into) { return read(std::as_writable_bytes(into)); }

private:
    friend class SessionHttp;
    SessionHttp& owner_;
    std::string address_;
    std::unique_ptr<HttpTransfer> transfer_;
};

// A body read whole, for playlists.
struct WholeBody {
    HttpError error = httpOk;
    HttpResponseHead head;
    std::string body;
};

class SessionHttp {
public:
    SessionHttp(HttpClientPort& http, HttpTimeouts timeouts, RequestObserver& observer, std::stop_token stop);
    SessionHttp(const SessionHttp&) = delete;
    SessionHttp& operator=(const SessionHttp&) = delete;

    // Sent with every request from now on; without a User-Agent the port sends its own.
    void setHeaders(std::vector<HttpHeader> headers) { headers_ = std::move(headers); }

    // One transfer at a time: the fetch thread's.
    [[nodiscard]] std::unique_ptr<SessionTransfer> get(const std::string& address,
                                                       std::optional<HttpByteRange> range = std::nullopt);

    // The whole body of a successful answer; a body longer than `limit` fails with
    // httpErrorConnectionError, as nothing that long is a playlist, and one still coming
    // when `expired` says so (asked after each read) fails with httpErrorTimeout. The
    // status is left to the caller.
    [[nodiscard]] WholeBody getWhole(const std::string& address, std::size_t limit,
                                     const std::function<bool()>& expired = {});

private:
    friend class SessionTransfer;
    void forget(const HttpTransfer* transfer);
    void cancelCurrent();

    HttpClientPort& http_;
    HttpTimeouts timeouts_;
    RequestObserver& observer_;
    std::vector<HttpHeader> headers_;
    std::mutex mutex_;
    HttpTransfer* current_ = nullptr;
    bool stopped_ = false;
    std::stop_callback<std::function<void()>> onStop_;  // last: it may run at once
};

// 2xx.
[[nodiscard]] inline bool isSuccess(std::uint32_t status) { return status >= 200 && status < 300; }

}  // namespace telvia::stream
