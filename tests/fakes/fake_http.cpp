#include "fake_http.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace telvia::fakes {

namespace {

class FakeHttpTransfer final : public HttpTransfer {
public:
    FakeHttpTransfer(const std::string& address, FakeHttpAnswer answer, std::shared_ptr<std::atomic<int>> cancels)
        : answer_(std::move(answer)), cancels_(std::move(cancels))
    {
        if (answer_.head.finalAddress.empty()) {
            answer_.head.finalAddress = address;
        }
    }

    HttpStarted start() override
    {
        if (cancelled_) {
            return {httpErrorCancelled, {}};
        }
        if (answer_.startError != httpOk) {
            return {answer_.startError, {}};
        }
        started_ = true;
        return {httpOk, answer_.head};
    }

    HttpReadResult read(std::span<std::byte> into) override
    {
        if (cancelled_) {
            return {httpErrorCancelled, 0};
        }
        if (!started_) {
            return {incorrectState, 0};
        }
        std::size_t count = std::min(into.size(), answer_.body.size() - position_);
        if (answer_.largestRead != 0) {
            count = std::min(count, answer_.largestRead);
        }
        if (count == 0 && !into.empty()) {
            return {answer_.errorAfterBody, 0};
        }
        std::memcpy(into.data(), answer_.body.data() + position_, count);
        position_ += count;
        return {httpOk, count};
    }

    void cancel() override
    {
        // Counted once, however often it is called.
        if (!cancelled_.exchange(true)) {
            ++*cancels_;
        }
    }

private:
    static constexpr HttpError incorrectState = 12019;  // ERROR_WINHTTP_INCORRECT_HANDLE_STATE

    FakeHttpAnswer answer_;
    std::shared_ptr<std::atomic<int>> cancels_;
    std::size_t position_ = 0;
    bool started_ = false;
    std::atomic<bool> cancelled_ = false;
};

}  // namespace

std::unique_ptr<HttpTransfer> FakeHttpClient::get(HttpRequest request)
{
    log_.add("http.get " + request.address);
    FakeHttpAnswer answer;
    answer.head.status = 404;
    if (const auto found = answers_.find(request.address); found != answers_.end()) {
        answer = found->second;
    }
    auto transfer = std::make_unique<FakeHttpTransfer>(request.address, std::move(answer), cancels_);
    requests.push_back(std::move(request));
    return transfer;
}

void FakeHttpClient::serve(const std::string& address, std::string_view body, std::string_view contentType)
{
    FakeHttpAnswer answer;
    answer.head.status = 200;
    answer.head.contentLength = body.size();
    if (!contentType.empty()) {
        answer.head.contentType = std::string(contentType);
    }
    answer.body = std::string(body);
    answers_[address] = std::move(answer);
}

}  // namespace telvia::fakes
