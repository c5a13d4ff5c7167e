// HTTP GET as the stream source needs it: one request for an absolute http or https address
// with the caller's extra headers and an optional byte range, redirects followed, and a body
// read piece by piece while it arrives (WinHTTP on Windows).
//
// A transfer is made first and started afterwards, so that whoever owns it can cancel it
// from another thread at any time, also while start() or read() is blocked: the blocked
// call then returns promptly with httpErrorCancelled. Results are raw: the status code as
// the server sent it and the system's error code (ERROR_WINHTTP_* on Windows), so that the
// portable code decides what a failure means.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace telvia {

// 0 for success, otherwise the system's error code.
using HttpError = std::uint32_t;

inline constexpr HttpError httpOk = 0;
inline constexpr HttpError httpErrorTimeout = 12002;             // a time-out ran out
inline constexpr HttpError httpErrorInvalidAddress = 12005;      // not an address
inline constexpr HttpError httpErrorUnsupportedScheme = 12006;   // neither http nor https
inline constexpr HttpError httpErrorNameNotResolved = 12007;     // no such host
inline constexpr HttpError httpErrorCancelled = 12017;           // cancel() was called
inline constexpr HttpError httpErrorCannotConnect = 12029;       // refused or unreachable
inline constexpr HttpError httpErrorConnectionError = 12030;     // the connection broke
inline constexpr HttpError httpErrorRedirectFailed = 12156;      // too many hops, a Location that cannot be resolved, https to http

// Redirects followed for one request before start() gives up with httpErrorRedirectFailed.
inline constexpr int httpRedirectLimit = 10;

// Sent when the caller gives no User-Agent: some servers refuse players that name
// themselves, or answer them with something other than the stream.
inline constexpr std::string_view httpDefaultUserAgent =
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/124.0.0.0 Safari/537.36";

struct HttpHeader {
    std::string name;
    std::string value;

    friend bool operator==(const HttpHeader&, const HttpHeader&) = default;
};

// "Range: bytes=first-last", or "bytes=first-" to the end when last is empty.
struct HttpByteRange {
    std::uint64_t first = 0;
    std::optional<std::uint64_t> last;

    friend bool operator==(const HttpByteRange&, const HttpByteRange&) = default;
};

// How long each step may wait; zero waits without limit. Receive bounds both the wait for
// the answer's head and every read of the body. The name lookup counts as connecting.
struct HttpTimeouts {
    std::chrono::milliseconds connect{10'000};
    std::chrono::milliseconds send{10'000};
    std::chrono::milliseconds receive{10'000};

    friend bool operator==(const HttpTimeouts&, const HttpTimeouts&) = default;
};

struct HttpRequest {
    std::string address;               // absolute http:// or https:// address, UTF-8
    // Sent as given on every hop at the address's own origin; a redirect to another origin
    // goes without them, and one from https to http fails (see http_redirects.h).
    std::vector<HttpHeader> headers;
    std::optional<HttpByteRange> range;
    HttpTimeouts timeouts;
};

// The head of the final answer, after redirects.
struct HttpResponseHead {
    std::uint32_t status = 0;
    std::string finalAddress;                  // the address that gave this answer
    std::optional<std::string> contentType;
    std::optional<std::uint64_t> contentLength;  // empty when not sent (chunked, to close)
    std::optional<std::string> icyMetaInt;     // raw value of "icy-metaint"
};

struct HttpStarted {
    HttpError error = httpOk;
    HttpResponseHead head;  // meaningful when error is httpOk, whatever the status
};

struct HttpReadResult {
    HttpError error = httpOk;
    std::size_t count = 0;  // bytes read; 0 without error at the end of the body
};

class HttpTransfer {
public:
    virtual ~HttpTransfer() = default;

    // Sends the request, follows redirects and waits for the head of the final answer.
    // Call once, before read().
    [[nodiscard]] virtual HttpStarted start() = 0;
    // Up to into.size() bytes of the body as soon as some are there; blocks until at least
    // one byte, the end or an error. An empty buffer reads nothing.
    [[nodiscard]] virtual HttpReadResult read(std::span<std::byte> into) = 0;
    // Any thread, any time, more than once: aborts a blocked start() or read(), and every
    // later call fails with httpErrorCancelled. The transfer itself is destroyed only once
    // no call on it is running any more.
    virtual void cancel() = 0;
};

class HttpClientPort {
public:
    virtual ~HttpClientPort() = default;

    // A GET for the request; nothing is sent before start(). Never null.
    [[nodiscard]] virtual std::unique_ptr<HttpTransfer> get(HttpRequest request) = 0;
};

}  // namespace telvia
