// Block decryption as the stream source needs it for encrypted HLS segments: AES-128 in
// CBC mode, with the system's own cipher (BCrypt on Windows).
//
// A decryptor is made for one key and initialisation vector and then takes a segment's
// ciphertext in whole 16-byte blocks, in as many calls as the bytes arrive in: each call
// continues the chain where the previous one ended. It removes no padding; the caller
// knows where the segment ends. Results are raw: 0 or the system's status code, so that
// the portable code decides what a failure means.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace telvia {

// 0 for success, otherwise the system's status code (an NTSTATUS on Windows).
using CipherError = std::uint32_t;

inline constexpr CipherError cipherOk = 0;
inline constexpr CipherError cipherErrorInvalidParameter = 0xC000000D;  // STATUS_INVALID_PARAMETER

inline constexpr std::size_t cipherBlockSize = 16;

using CipherKey = std::array<std::uint8_t, 16>;
using CipherIv = std::array<std::uint8_t, cipherBlockSize>;

class BlockDecryptor {
public:
    virtual ~BlockDecryptor() = default;

    // Decrypts `in` into `out`, which must be as long as `in`, a whole number of blocks,
    // and not overlap it; anything else fails with cipherErrorInvalidParameter and leaves
    // the chain where it was. An empty `in` decrypts nothing and succeeds.
    [[nodiscard]] virtual CipherError decrypt(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) = 0;
};

struct CipherMade {
    CipherError error = cipherOk;
    std::unique_ptr<BlockDecryptor> decryptor;  // set exactly when error is cipherOk
};

class CipherPort {
public:
    virtual ~CipherPort() = default;

    // A decryptor for AES-128-CBC with this key, starting its chain from `iv`. Callable
    // from any thread; each decryptor is used by one thread at a time.
    [[nodiscard]] virtual CipherMade aes128CbcDecryptor(const CipherKey& key, const CipherIv& iv) = 0;
};

}  // namespace telvia
