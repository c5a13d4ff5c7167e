// The HTTP requests of one stream session: each carries the headers the address asked
// for and the session's time-outs, and cancel() ends the transfer under way, from any
// thread, as well as every one made after it.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/http_port.h"

namespace telvia::stream {

class SessionHttp;

// One request, cancellable through its session while it lives.
class SessionTransfer {
public:
    SessionTransfer(SessionHttp& owner, std::unique_ptr<HttpTransfer> transfer);
    ~SessionTransfer();
    SessionTransfer(const SessionTransfer&) = delete;
    SessionTransfer& operator=(const SessionTransfer&) = delete;

    [[nodiscard]] HttpStarted start() { return transfer_->start(); }
    [[nodiscard]] HttpReadResult read(std::span<std::byte> into) { return transfer_->read(into); }
    [[nodiscard]] HttpReadResult read(std::span<std::uint8_t> into) { return read(std::as_writable_bytes(into)); }

private:
    friend class SessionHttp;
    SessionHttp& owner_;
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
    SessionHttp(HttpClientPort& http, HttpTimeouts timeouts) : http_(http), timeouts_(timeouts) {}

    // Sent with every request from now on; without a User-Agent the port sends its own.
    void setHeaders(std::vector<HttpHeader> headers) { headers_ = std::move(headers); }

    // One transfer at a time: the fetch thread's.
    [[nodiscard]] std::unique_ptr<SessionTransfer> get(const std::string& address,
                                                       std::optional<HttpByteRange> range = std::nullopt);

    // The whole body of a successful answer; a body longer than `limit` fails with
    // httpErrorConnectionError, as nothing that long is a playlist. The status is left to
    // the caller.
    [[nodiscard]] WholeBody getWhole(const std::string& address, std::size_t limit);

    void cancel();
    [[nodiscard]] bool cancelled() const;

private:
    friend class SessionTransfer;
    void forget(const HttpTransfer* transfer);

    HttpClientPort& http_;
    HttpTimeouts timeouts_;
    std::vector<HttpHeader> headers_;
    mutable std::mutex mutex_;
    HttpTransfer* current_ = nullptr;
    bool cancelled_ = false;
};

// 2xx.
[[nodiscard]] inline bool isSuccess(std::uint32_t status) { return status >= 200 && status < 300; }

}  // namespace telvia::stream
