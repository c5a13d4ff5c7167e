#include "fake_http.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace telvia::fakes {

void FakeHttpGate::open()
{
    const std::scoped_lock lock(mutex_);
    open_ = true;
    changed_.notify_all();
}

void FakeHttpGate::awaitHeld()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return held_ > 0; });
}

void FakeHttpGate::hold(const std::atomic<bool>& cancelled)
{
    std::unique_lock lock(mutex_);
    ++held_;
    changed_.notify_all();
    changed_.wait(lock, [this, &cancelled] { return open_ || cancelled; });
    --held_;
}

void FakeHttpGate::wake()
{
    const std::scoped_lock lock(mutex_);
    changed_.notify_all();
}

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
        if (answer_.gate && !answer_.gateAfter) {
            answer_.gate->hold(cancelled_);
        }
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
        if (answer_.gate && answer_.gateAfter == position_ && !into.empty()) {
            answer_.gate->hold(cancelled_);
        }
        if (cancelled_) {
            return {httpErrorCancelled, 0};
        }
        if (!started_) {
            return {incorrectState, 0};
        }
        if (answer_.beforeRead) {
            answer_.beforeRead();
        }
        std::size_t count = std::min(into.size(), answer_.body.size() - position_);
        if (answer_.largestRead != 0) {
            count = std::min(count, answer_.largestRead);
        }
        if (answer_.gate && answer_.gateAfter && position_ < *answer_.gateAfter) {
            count = std::min(count, *answer_.gateAfter - position_);  // stop at the gate
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
        if (answer_.gate) {
            answer_.gate->wake();
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
    std::function<void(const HttpRequest&)> hook;
    {
        const std::scoped_lock lock(mutex_);
        hook = onGet_;
    }
    if (hook) {
        hook(request);
    }
    const std::scoped_lock lock(mutex_);
    log_.add("http.get " + request.address);
    FakeHttpAnswer answer;
    answer.head.status = 404;
    if (const auto found = answers_.find(request.address); found != answers_.end()) {
        answer = found->second;
    }
    if (answer.honoursRange && request.range && answer.head.status == 200) {
        const std::size_t first = std::min<std::size_t>(request.range->first, answer.body.size());
        const std::size_t last = request.range->last ? static_cast<std::size_t>(*request.range->last) : answer.body.size();
        answer.head.status = 206;
        answer.body = answer.body.substr(first, last < first ? 0 : last - first + 1);
    }
    auto transfer = std::make_unique<FakeHttpTransfer>(request.address, std::move(answer), cancels_);
    requests.push_back(std::move(request));
    return transfer;
}

void FakeHttpClient::answer(const std::string& address, FakeHttpAnswer answer)
{
    const std::scoped_lock lock(mutex_);
    answers_[address] = std::move(answer);
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
    this->answer(address, std::move(answer));
}

void FakeHttpClient::onGet(std::function<void(const HttpRequest&)> hook)
{
    const std::scoped_lock lock(mutex_);
    onGet_ = std::move(hook);
}

std::vector<HttpRequest> FakeHttpClient::requestsSoFar() const
{
    const std::scoped_lock lock(mutex_);
    return requests;
}

}  // namespace telvia::fakes
