#include "generated_http.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace telvia::testing {
namespace {

class GeneratedTransfer final : public HttpTransfer {
public:
    GeneratedTransfer(std::string address, std::optional<std::string> contentType, BodyGenerator body,
                      std::shared_ptr<std::atomic<std::uint64_t>> bytesRead)
        : address_(std::move(address)), contentType_(std::move(contentType)), body_(std::move(body)),
          bytesRead_(std::move(bytesRead))
    {
    }

    HttpStarted start() override
    {
        if (cancelled_) {
            return {httpErrorCancelled, {}};
        }
        HttpResponseHead head;
        head.status = body_ ? 200 : 404;
        head.finalAddress = address_;
        head.contentType = contentType_;
        return {httpOk, head};
    }

    HttpReadResult read(std::span<std::byte> into) override
    {
        if (cancelled_) {
            return {httpErrorCancelled, 0};
        }
        while (body_ && at_ == pending_.size() && !ended_) {
            pending_.clear();
            at_ = 0;
            ended_ = !body_(pending_);
        }
        const std::size_t count = std::min(into.size(), pending_.size() - at_);
        std::memcpy(into.data(), pending_.data() + at_, count);
        at_ += count;
        *bytesRead_ += count;
        return {httpOk, count};
    }

    void cancel() override { cancelled_ = true; }

private:
    std::string address_;
    std::optional<std::string> contentType_;
    BodyGenerator body_;
    std::shared_ptr<std::atomic<std::uint64_t>> bytesRead_;
    std::vector<std::uint8_t> pending_;
    std::size_t at_ = 0;
    bool ended_ = false;
    std::atomic<bool> cancelled_{false};
};

}  // namespace

void GeneratedHttp::serve(const std::string& address, std::string contentType, BodyGenerator body)
{
    // One generator, for the first request only: a stream is not asked for twice here.
    auto once = std::make_shared<BodyGenerator>(std::move(body));
    const std::scoped_lock lock(mutex_);
    answers_[address] = Answer{std::move(contentType), [once]() { return std::exchange(*once, nullptr); }};
}

void GeneratedHttp::serveText(const std::string& address, std::string contentType, std::shared_ptr<const std::string> text)
{
    const std::scoped_lock lock(mutex_);
    answers_[address] = Answer{std::move(contentType), [text]() -> BodyGenerator {
                                   // In pieces, as the network hands them on.
                                   return [text, at = std::size_t{0}](std::vector<std::uint8_t>& more) mutable {
                                       const std::size_t end = std::min(text->size(), at + 64 * 1024);
                                       more.assign(text->begin() + static_cast<std::ptrdiff_t>(at),
                                                   text->begin() + static_cast<std::ptrdiff_t>(end));
                                       at = end;
                                       return at < text->size();
                                   };
                               }};
}

std::unique_ptr<HttpTransfer> GeneratedHttp::get(HttpRequest request)
{
    ++requests_;
    const std::scoped_lock lock(mutex_);
    const auto answer = answers_.find(request.address);
    if (answer == answers_.end()) {
        return std::make_unique<GeneratedTransfer>(request.address, std::nullopt, nullptr, bytesRead_);
    }
    return std::make_unique<GeneratedTransfer>(request.address, answer->second.contentType, answer->second.makeBody(),
                                               bytesRead_);
}

}  // namespace telvia::testing
