// A scripted HTTP client: each address is answered as scripted (404 with no body when it
// is not), every request is recorded, and a transfer hands out its body in pieces no
// larger than asked, then the end or a scripted error. Nothing blocks: a cancel makes the
// transfer's later calls fail, as a cancel that ended a blocked call would.
//
// get() is logged as "http.get <address>". Only cancel() may be called from another
// thread; it is counted rather than logged.
#pragma once

#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "call_log.h"
#include "platform/http_port.h"

namespace telvia::fakes {

struct FakeHttpAnswer {
    HttpError startError = httpOk;  // start() fails with this unless it is httpOk
    HttpResponseHead head;          // an empty finalAddress stands for the request's address
    std::string body;
    std::size_t largestRead = 0;    // most bytes one read gives; 0 for no limit
    HttpError errorAfterBody = httpOk;  // reported instead of the end (a connection that broke)
};

class FakeHttpClient final : public HttpClientPort {
public:
    explicit FakeHttpClient(CallLog& log) : log_(log) {}

    std::unique_ptr<HttpTransfer> get(HttpRequest request) override;

    void answer(const std::string& address, FakeHttpAnswer answer) { answers_[address] = std::move(answer); }
    // 200 with the body, its length and the content type.
    void serve(const std::string& address, std::string_view body, std::string_view contentType = {});

    // Transfers cancelled so far, also by transfers that outlived the client.
    [[nodiscard]] int cancels() const { return *cancels_; }

    // Every request, in the order get() received them.
    std::vector<HttpRequest> requests;

private:
    CallLog& log_;
    std::shared_ptr<std::atomic<int>> cancels_ = std::make_shared<std::atomic<int>>(0);
    std::map<std::string, FakeHttpAnswer> answers_;
};

}  // namespace telvia::fakes
