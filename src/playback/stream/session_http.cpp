#include "playback/stream/session_http.h"

#include <array>

namespace telvia::stream {

SessionTransfer::SessionTransfer(SessionHttp& owner, std::unique_ptr<HttpTransfer> transfer)
    : owner_(owner), transfer_(std::move(transfer))
{
}

SessionTransfer::~SessionTransfer()
{
    // Out of cancel()'s reach before it goes away.
    owner_.forget(transfer_.get());
}

std::unique_ptr<SessionTransfer> SessionHttp::get(const std::string& address, std::optional<HttpByteRange> range)
{
    HttpRequest request;
    request.address = address;
    request.headers = headers_;
    request.range = range;
    request.timeouts = timeouts_;
    auto transfer = std::make_unique<SessionTransfer>(*this, http_.get(std::move(request)));
    const std::scoped_lock lock(mutex_);
    current_ = transfer->transfer_.get();
    if (cancelled_) {
        current_->cancel();
    }
    return transfer;
}

WholeBody SessionHttp::getWhole(const std::string& address, std::size_t limit)
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
    }
}

void SessionHttp::cancel()
{
    const std::scoped_lock lock(mutex_);
    cancelled_ = true;
    if (current_ != nullptr) {
        current_->cancel();
    }
}

bool SessionHttp::cancelled() const
{
    const std::scoped_lock lock(mutex_);
    return cancelled_;
}

void SessionHttp::forget(const HttpTransfer* transfer)
{
    const std::scoped_lock lock(mutex_);
    if (current_ == transfer) {
        current_ = nullptr;
    }
}

}  // namespace telvia::stream
