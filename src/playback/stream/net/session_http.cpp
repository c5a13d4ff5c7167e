#include "playback/stream/net/session_http.h"

#include <array>
#include <utility>

namespace telvia::stream {

SessionTransfer::SessionTransfer(SessionHttp& owner, std::string address, std::unique_ptr<HttpTransfer> transfer)
    : owner_(owner), address_(std::move(address)), transfer_(std::move(transfer))
{
}

SessionTransfer::~SessionTransfer()
{
    // Out of the stop's reach before it goes away.
    owner_.forget(transfer_.get());
}

HttpStarted SessionTransfer::start()
{
    const HttpStarted started = transfer_->start();
    owner_.observer_.onAnswer(RequestAnswer{address_, started.error, started.error == httpOk ? started.head.status : 0,
                                            started.head.finalAddress});
    return started;
}

SessionHttp::SessionHttp(HttpClientPort& http, HttpTimeouts timeouts, RequestObserver& observer, std::stop_token stop)
    : http_(http), timeouts_(timeouts), observer_(observer), onStop_(std::move(stop), [this] { cancelCurrent(); })
{
}

std::unique_ptr<SessionTransfer> SessionHttp::get(const std::string& address, std::optional<HttpByteRange> range)
{
    HttpRequest request;
    request.address = address;
    request.headers = headers_;
    request.range = range;
    request.timeouts = timeouts_;
    auto transfer = std::make_unique<SessionTransfer>(*this, address, http_.get(std::move(request)));
    const std::scoped_lock lock(mutex_);
    current_ = transfer->transfer_.get();
    if (stopped_) {
        current_->cancel();
    }
    return transfer;
}

WholeBody SessionHttp::getWhole(const std::string& address, std::size_t limit, const std::function<bool()>& expired)
{
    const std::unique_ptr<SessionTransfer> transfer = get(address);
    const HttpStarted started = transfer->start();
    WholeBody whole{started.error, started.head, {}};
    if (started.error != httpOk || !isSuccess(started.head.status)) {
        return whole;
    }
    std::array<std::byte, 16 * 1024> buffer{};
    for (;;) {
        const HttpReadResult read = transfer->read(buffer);
        if (read.error != httpOk) {
            whole.error = read.error;
            return whole;
        }
        if (read.count == 0) {
            return whole;
        }
        if (whole.body.size() + read.count > limit) {
            whole.error = httpErrorConnectionError;
            return whole;
        }
        whole.body.append(reinterpret_cast<const char*>(buffer.data()), read.count);
        if (expired && expired()) {
            whole.error = httpErrorTimeout;
            return whole;
        }
    }
}

void SessionHttp::cancelCurrent()
{
    const std::scoped_lock lock(mutex_);
    stopped_ = true;
    if (current_ != nullptr) {
        current_->cancel();
    }
}

void SessionHttp::forget(const HttpTransfer* transfer)
{
    const std::scoped_lock lock(mutex_);
    if (current_ == transfer) {
        current_ = nullptr;
    }
}

}  // namespace telvia::stream
