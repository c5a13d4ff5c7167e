// A scripted HTTP client: each address is answered as scripted (404 with no body when it
// is not), every request is recorded, and a transfer hands out its body in pieces no
// larger than asked, then the end or a scripted error. A cancel makes the transfer's later
// calls fail, as a cancel that ended a blocked call would.
//
// An answer may hold a gate: the transfer then blocks before its head or after so many
// bytes of its body until the test opens the gate or the transfer is cancelled, as a
// server that stalls would.
//
// get() is logged as "http.get <address>". The client may be used from a thread of the
// code under test while the test scripts it; read `requests` once that thread is done,
// or requestsSoFar() while it runs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "call_log.h"
#include "platform/http_port.h"

namespace telvia::fakes {

class FakeHttpGate {
public:
    // Lets every transfer held here go on, and those that come later pass.
    void open();
    // Blocks the test until a transfer is held here.
    void awaitHeld();

    // For the transfers: waits until open or `cancelled` (checked whenever woken).
    void hold(const std::atomic<bool>& cancelled);
    void wake();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
    int held_ = 0;
};

struct FakeHttpAnswer {
    HttpError startError = httpOk;  // start() fails with this unless it is httpOk
    HttpResponseHead head;          // an empty finalAddress stands for the request's address
    std::string body;
    std::size_t largestRead = 0;    // most bytes one read gives; 0 for no limit
    HttpError errorAfterBody = httpOk;  // reported instead of the end (a connection that broke)
    std::shared_ptr<FakeHttpGate> gate;  // where the transfer stalls, if anywhere:
    std::optional<std::size_t> gateAfter;  // after this many body bytes; before the head if empty
    std::function<void()> beforeRead;      // called before each read of the body (a slow server moves the clock)
    // A request for a byte range gets 206 and that part of the body; else the whole
    // body, as a server that ignores ranges sends it.
    bool honoursRange = false;
};

class FakeHttpClient final : public HttpClientPort {
public:
    explicit FakeHttpClient(CallLog& log) : log_(log) {}

    std::unique_ptr<HttpTransfer> get(HttpRequest request) override;

    void answer(const std::string& address, FakeHttpAnswer answer);
    // 200 with the body, its length and the content type.
    void serve(const std::string& address, std::string_view body, std::string_view contentType = {});

    // Called by get() with each request, on the caller's thread, before it is answered.
    void onGet(std::function<void(const HttpRequest&)> hook);

    // Transfers cancelled so far, also by transfers that outlived the client.
    [[nodiscard]] int cancels() const { return *cancels_; }

    [[nodiscard]] std::vector<HttpRequest> requestsSoFar() const;

    // Every request, in the order get() received them.
    std::vector<HttpRequest> requests;

private:
    CallLog& log_;
    std::shared_ptr<std::atomic<int>> cancels_ = std::make_shared<std::atomic<int>>(0);
    mutable std::mutex mutex_;
    std::map<std::string, FakeHttpAnswer> answers_;
    std::function<void(const HttpRequest&)> onGet_;
};

}  // namespace telvia::fakes
