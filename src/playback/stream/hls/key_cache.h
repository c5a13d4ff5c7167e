// The keys of encrypted segments by the address they came from, so that each is fetched
// once however many segments use it. Only the most recent few are kept: a stream that
// changes its key every few segments needs only the current ones.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/cipher_port.h"

namespace telvia::stream {

class KeyCache {
public:
    explicit KeyCache(std::size_t capacity = 8) : capacity_(capacity) {}

    [[nodiscard]] std::optional<CipherKey> find(std::string_view address) const;
    // Forgets the oldest key when full.
    void remember(std::string address, const CipherKey& key);

private:
    std::size_t capacity_;
    std::deque<std::pair<std::string, CipherKey>> keys_;  // oldest first
};

}  // namespace telvia::stream
