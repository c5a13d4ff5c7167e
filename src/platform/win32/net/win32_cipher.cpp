#include "platform/win32/net/win32_cipher.h"

#include <algorithm>
#include <functional>
#include <limits>

namespace telvia::win32 {

namespace {

// Success and information codes are not negative.
bool succeeded(NTSTATUS status) { return status >= 0; }
CipherError errorOf(NTSTATUS status) { return static_cast<CipherError>(status); }

class BCryptDecryptor final : public BlockDecryptor {
public:
    BCryptDecryptor(std::shared_ptr<UniqueAlgorithm> algorithm, UniqueKey key, const CipherIv& iv)
        : algorithm_(std::move(algorithm)), key_(std::move(key)), chain_(iv)
    {
    }

    CipherError decrypt(std::span<const std::uint8_t> in, std::span<std::uint8_t> out) override
    {
        const std::less<const std::uint8_t*> before;
        const bool overlap = !in.empty() && before(in.data(), out.data() + out.size()) &&
                             before(out.data(), in.data() + in.size());
        if (in.size() != out.size() || in.size() % cipherBlockSize != 0 || overlap ||
            in.size() > std::numeric_limits<ULONG>::max()) {
            return cipherErrorInvalidParameter;
        }
        if (in.empty()) {
            return cipherOk;
        }
        // BCrypt writes into the IV it is given; the chain is kept here, so that each call
        // continues from the previous call's last ciphertext block whatever it leaves there.
        CipherIv iv = chain_;
        ULONG written = 0;
        const NTSTATUS status = BCryptDecrypt(key_.get(), const_cast<PUCHAR>(in.data()), static_cast<ULONG>(in.size()),
                                              nullptr, iv.data(), static_cast<ULONG>(iv.size()), out.data(),
                                              static_cast<ULONG>(out.size()), &written, 0);
        if (!succeeded(status)) {
            return errorOf(status);
        }
        if (written != in.size()) {
            return cipherErrorInvalidParameter;
        }
        std::copy(in.end() - static_cast<std::ptrdiff_t>(cipherBlockSize), in.end(), chain_.begin());
        return cipherOk;
    }

private:
    std::shared_ptr<UniqueAlgorithm> algorithm_;  // declared first: closed after the key
    UniqueKey key_;
    CipherIv chain_;
};

}  // namespace

CipherMade Win32Cipher::aes128CbcDecryptor(const CipherKey& key, const CipherIv& iv)
{
    const std::scoped_lock lock(mutex_);
    if (!algorithm_) {
        BCRYPT_ALG_HANDLE opened = nullptr;
        NTSTATUS status = BCryptOpenAlgorithmProvider(&opened, BCRYPT_AES_ALGORITHM, nullptr, 0);
        if (!succeeded(status)) {
            return {errorOf(status), nullptr};
        }
        auto algorithm = std::make_shared<UniqueAlgorithm>(opened);
        // CBC is AES's default mode, but the default is the system's to change.
        static constexpr wchar_t cbc[] = BCRYPT_CHAIN_MODE_CBC;
        status = BCryptSetProperty(algorithm->get(), BCRYPT_CHAINING_MODE,
                                   reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(cbc)), sizeof(cbc), 0);
        if (!succeeded(status)) {
            return {errorOf(status), nullptr};
        }
        algorithm_ = std::move(algorithm);
    }
    // The system allocates the key object itself (Windows 7 and later).
    BCRYPT_KEY_HANDLE made = nullptr;
    const NTSTATUS status = BCryptGenerateSymmetricKey(algorithm_->get(), &made, nullptr, 0,
                                                       const_cast<PUCHAR>(key.data()), static_cast<ULONG>(key.size()), 0);
    if (!succeeded(status)) {
        return {errorOf(status), nullptr};
    }
    return {cipherOk, std::make_unique<BCryptDecryptor>(algorithm_, UniqueKey(made), iv)};
}

}  // namespace telvia::win32
