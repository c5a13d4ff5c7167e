#include "playback/stream/session/segment_keys.h"

#include <algorithm>
#include <utility>

namespace telvia::stream {

SegmentDecryptionMade SegmentKeys::decryptionFor(const HlsSegmentKey& key)
{
    const KeyFetched fetched = keyAt(*key.address);
    if (!fetched.key) {
        return {nullptr, fetched.failure};
    }
    CipherMade made = cipher_.aes128CbcDecryptor(*fetched.key, key.iv);
    if (made.error != cipherOk || !made.decryptor) {
        return {nullptr, FetchResult::failed};
    }
    return {std::make_unique<SegmentDecryption>(std::move(made.decryptor))};
}

SegmentKeys::KeyFetched SegmentKeys::keyAt(const std::string& address)
{
    if (const std::optional<CipherKey> known = keys_.find(address)) {
        return {known};
    }
    // A longer answer is no key either: there is no need to read it all.
    const WholeBody whole = http_.getWhole(address, CipherKey().size());
    if (stop_.stop_requested()) {
        return {std::nullopt, FetchResult::stopped};
    }
    if (whole.error == httpOk && !isSuccess(whole.head.status)) {
        return {std::nullopt, resultOfStatus(whole.head.status)};
    }
    CipherKey key{};
    if (whole.error != httpOk || whole.body.size() != key.size()) {
        return {std::nullopt, FetchResult::failed};
    }
    std::copy(whole.body.begin(), whole.body.end(), key.begin());
    keys_.remember(address, key);
    return {key};
}

}  // namespace telvia::stream
