// A stand-in for AES-128-CBC whose output a test can work out by hand: the block function
// is XOR with the key, chained as CBC chains (each plain block is the decrypted block XOR
// the ciphertext block before it, the first one XOR the IV). A wrong key, a wrong IV or a
// chain that does not continue between calls gives wrong bytes, as the real cipher would.
//
// Each decryptor made is logged as "cipher key=<hex> iv=<hex>". Decryptors insist on
// whole blocks, like the system's.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "call_log.h"
#include "platform/cipher_port.h"

namespace telvia::fakes {

class FakeCipher final : public CipherPort {
public:
    explicit FakeCipher(CallLog& log) : log_(log) {}

    CipherMade aes128CbcDecryptor(const CipherKey& key, const CipherIv& iv) override;

    // Every later decryptor fails to be made with this error (cipherOk: they are made).
    void failToMake(CipherError error);

    // What a server would send: `plain` encrypted as the decryptors decrypt, PKCS#7 padded.
    [[nodiscard]] static std::string encrypt(const CipherKey& key, const CipherIv& iv, std::string_view plain);

    // "cipher key=... iv=..." as logged.
    [[nodiscard]] static std::string logged(const CipherKey& key, const CipherIv& iv);

private:
    CallLog& log_;
    std::mutex mutex_;
    CipherError makeError_ = cipherOk;
};

}  // namespace telvia::fakes
