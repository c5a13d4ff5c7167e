// An HTTP client whose bodies are made while they are read, so that a test can send a
// session hundreds of megabytes without holding them: each address has a content type
// and a generator that appends the next piece of the body, until it says the end.
// Other addresses answer 404.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/http_port.h"

namespace telvia::testing {

using BodyGenerator = std::function<bool(std::vector<std::uint8_t>& more)>;

class GeneratedHttp final : public HttpClientPort {
public:
    void serve(const std::string& address, std::string contentType, BodyGenerator body);
    // The same text for every request of the address.
    void serveText(const std::string& address, std::string contentType, std::shared_ptr<const std::string> text);

    [[nodiscard]] std::unique_ptr<HttpTransfer> get(HttpRequest request) override;

    [[nodiscard]] int requests() const { return requests_.load(); }
    [[nodiscard]] std::uint64_t bodyBytesRead() const { return *bytesRead_; }

private:
    struct Answer {
        std::string contentType;
        std::function<BodyGenerator()> makeBody;
    };
    std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::atomic<int> requests_{0};
    std::shared_ptr<std::atomic<std::uint64_t>> bytesRead_ = std::make_shared<std::atomic<std::uint64_t>>(0);
};

}  // namespace telvia::testing
