#include "playback/stream/hls/segment_decryption.h"

#include <algorithm>

namespace telvia::stream {

std::optional<std::span<const std::uint8_t>> SegmentDecryption::feed(std::span<const std::uint8_t> cipher)
{
    if (failed_) {
        return std::nullopt;
    }
    pending_.insert(pending_.end(), cipher.begin(), cipher.end());
    // Every whole block but the last one in: the end of the segment may come next.
    const std::size_t blocks = pending_.empty() ? 0 : (pending_.size() - 1) / cipherBlockSize;
    const std::size_t length = blocks * cipherBlockSize;
    plain_.resize(length);
    if (decryptor_->decrypt(std::span(pending_).first(length), plain_) != cipherOk) {
        failed_ = true;
        return std::nullopt;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
    return std::span<const std::uint8_t>(plain_);
}

std::optional<std::span<const std::uint8_t>> SegmentDecryption::finish()
{
    if (failed_ || pending_.size() != cipherBlockSize) {
        return std::nullopt;
    }
    failed_ = true;  // whatever happens, the segment is done
    plain_.resize(cipherBlockSize);
    if (decryptor_->decrypt(pending_, plain_) != cipherOk) {
        return std::nullopt;
    }
    // PKCS#7: 1 to 16 bytes, each holding their own count.
    const std::uint8_t padding = plain_.back();
    if (padding == 0 || padding > cipherBlockSize ||
        !std::all_of(plain_.end() - padding, plain_.end(), [padding](std::uint8_t b) { return b == padding; })) {
        return std::nullopt;
    }
    plain_.resize(cipherBlockSize - padding);
    return std::span<const std::uint8_t>(plain_);
}

}  // namespace telvia::stream
