#include "playback/stream/hls/key_cache.h"

#include <algorithm>

namespace telvia::stream {

std::optional<CipherKey> KeyCache::find(std::string_view address) const
{
    const auto found = std::find_if(keys_.begin(), keys_.end(), [address](const auto& entry) { return entry.first == address; });
    if (found == keys_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void KeyCache::remember(std::string address, const CipherKey& key)
{
    if (capacity_ == 0) {
        return;
    }
    while (keys_.size() >= capacity_) {
        keys_.pop_front();
    }
    keys_.emplace_back(std::move(address), key);
}

}  // namespace telvia::stream
