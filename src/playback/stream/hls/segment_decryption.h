// Decrypts one AES-128 segment while its bytes arrive: whole blocks go to the cipher as
// soon as they are in, except the last one seen, which may be the segment's final block
// and so carries the PKCS#7 padding that finish() checks and removes.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/cipher_port.h"

namespace telvia::stream {

class SegmentDecryption {
public:
    explicit SegmentDecryption(std::unique_ptr<BlockDecryptor> decryptor) : decryptor_(std::move(decryptor)) {}

    // The plain bytes that `cipher` (the next bytes of the segment, any number) makes
    // available, valid until the next call; empty when the cipher failed.
    [[nodiscard]] std::optional<std::span<const std::uint8_t>> feed(std::span<const std::uint8_t> cipher);

    // At the end of the segment: the rest of its plain bytes, without the padding. Empty
    // when the segment was not a whole number of blocks (or none), the padding is not
    // PKCS#7, or the cipher failed.
    [[nodiscard]] std::optional<std::span<const std::uint8_t>> finish();

private:
    std::unique_ptr<BlockDecryptor> decryptor_;
    std::vector<std::uint8_t> pending_;  // ciphertext not decrypted yet: at most one block after a feed
    std::vector<std::uint8_t> plain_;
    bool failed_ = false;
};

}  // namespace telvia::stream
