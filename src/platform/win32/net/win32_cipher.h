// AES-128-CBC decryption through BCrypt: one AES provider in CBC mode per client, opened
// with the first decryptor so that start-up does not wait for it, and one key object per
// decryptor.
#pragma once

#include <memory>
#include <mutex>

#include "platform/cipher_port.h"
#include "platform/win32/net/bcrypt_handle.h"

namespace telvia::win32 {

class Win32Cipher final : public CipherPort {
public:
    CipherMade aes128CbcDecryptor(const CipherKey& key, const CipherIv& iv) override;

private:
    std::mutex mutex_;
    // Decryptors hold the provider too, so it stays open while any of their keys lives.
    std::shared_ptr<UniqueAlgorithm> algorithm_;
};

}  // namespace telvia::win32
