#include "fake_cipher.h"

#include <cstdio>
#include <memory>

namespace telvia::fakes {

namespace {

class FakeDecryptor final : public BlockDecryptor {
public:
    FakeDecryptor(const CipherKey& key, const CipherIv& iv) : key_(key), chain_(iv) {}

    CipherError decrypt(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) override
    {
        if (in.size() != out.size() || in.size() % cipherBlockSize != 0) {
            return cipherErrorInvalidParameter;
        }
        for (std::size_t at = 0; at < in.size(); at += cipherBlockSize) {
            for (std::size_t i = 0; i < cipherBlockSize; ++i) {
                out[at + i] = static_cast<std::uint8_t>(in[at + i] ^ key_[i] ^ chain_[i]);
                chain_[i] = in[at + i];
            }
        }
        return cipherOk;
    }

private:
    CipherKey key_;
    CipherIv chain_;  // the ciphertext block before the next one
};

std::string hex(std::span<const std::uint8_t> bytes)
{
    std::string text;
    for (const std::uint8_t byte : bytes) {
        std::array<char, 3> digits{};
        std::snprintf(digits.data(), digits.size(), "%02x", byte);
        text += digits.data();
    }
    return text;
}

}  // namespace

CipherMade FakeCipher::aes128CbcDecryptor(const CipherKey& key, const CipherIv& iv)
{
    const std::scoped_lock lock(mutex_);
    log_.add(logged(key, iv));
    if (makeError_ != cipherOk) {
        return {makeError_, nullptr};
    }
    return {cipherOk, std::make_unique<FakeDecryptor>(key, iv)};
}

void FakeCipher::failToMake(CipherError error)
{
    const std::scoped_lock lock(mutex_);
    makeError_ = error;
}

std::string FakeCipher::encrypt(const CipherKey& key, const CipherIv& iv, std::string_view plain)
{
    std::string padded(plain);
    const std::size_t padding = cipherBlockSize - plain.size() % cipherBlockSize;
    padded.append(padding, static_cast<char>(padding));
    std::string cipher(padded.size(), '\0');
    CipherIv chain = iv;
    for (std::size_t at = 0; at < padded.size(); at += cipherBlockSize) {
        for (std::size_t i = 0; i < cipherBlockSize; ++i) {
            chain[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(padded[at + i]) ^ chain[i] ^ key[i]);
            cipher[at + i] = static_cast<char>(chain[i]);
        }
    }
    return cipher;
}

std::string FakeCipher::logged(const CipherKey& key, const CipherIv& iv)
{
    return "cipher key=" + hex(key) + " iv=" + hex(iv);
}

}  // namespace telvia::fakes
