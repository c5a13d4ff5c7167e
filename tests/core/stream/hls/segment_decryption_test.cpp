#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_cipher.h"
#include "playback/stream/hls/segment_decryption.h"

namespace telvia::stream {
namespace {

using fakes::FakeCipher;

constexpr CipherKey key = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                           0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
constexpr CipherIv iv = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

SegmentDecryption decryptionWith(const CipherKey& k = key)
{
    fakes::CallLog log;
    FakeCipher cipher(log);
    return SegmentDecryption(cipher.aes128CbcDecryptor(k, iv).decryptor);
}

std::string plainText(std::size_t length)
{
    std::string text(length, '\0');
    for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
    return text;
}

std::string asText(std::span<const std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

std::span<const std::uint8_t> asBytes(std::string_view text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(SegmentDecryption, GivesThePlainBytesAsTheyArriveAndDropsThePadding)
{
    // Plain lengths around the block size: the padding is 1 to 16 bytes, a whole block
    // when the plain bytes fill their last block.
    const std::size_t lengths[] = {0, 1, 15, 16, 17, 31, 32, 100};
    const std::size_t pieces[] = {1, 7, 16, 33, 1000};
    for (const std::size_t length : lengths) {
        for (const std::size_t piece : pieces) {
            SCOPED_TRACE("length " + std::to_string(length) + " in pieces of " + std::to_string(piece));
            const std::string plain = plainText(length);
            const std::string cipher = FakeCipher::encrypt(key, iv, plain);
            SegmentDecryption decryption = decryptionWith();
            std::string out;
            for (std::size_t at = 0; at < cipher.size(); at += piece) {
                const auto bytes = decryption.feed(asBytes(std::string_view(cipher).substr(at, piece)));
                ASSERT_TRUE(bytes.has_value());
                out += asText(*bytes);
                // Only the last block seen is held back.
                const std::size_t arrived = std::min(cipher.size(), at + piece);
                ASSERT_EQ(out.size(), (arrived - 1) / 16 * 16);
            }
            const auto last = decryption.finish();
            ASSERT_TRUE(last.has_value());
            out += asText(*last);
            EXPECT_EQ(out, plain);
        }
    }
}

// The ciphertext of exactly these blocks, no padding added (CBC's prefix is the prefix's).
std::string encryptedBlocks(const std::string& blocks)
{
    return FakeCipher::encrypt(key, iv, blocks).substr(0, blocks.size());
}

TEST(SegmentDecryption, RefusesASegmentThatIsNotWholeBlocksOrBadlyPadded)
{
    const std::string full = FakeCipher::encrypt(key, iv, plainText(40));
    const struct {
        const char* name;
        std::string cipher;
        CipherKey key;
    } cases[] = {
        {"no bytes at all", "", key},
        {"cut inside a block", full.substr(0, full.size() - 5), key},
        {"a block short: no padding", full.substr(0, full.size() - 16), key},
        {"padding count 0", encryptedBlocks(plainText(15) + '\0'), key},
        {"padding count 17", encryptedBlocks(plainText(15) + '\x11'), key},
        {"padding bytes that differ", encryptedBlocks(plainText(13) + "\x03\x02\x03"), key},
        {"a whole block of padding but its first byte", encryptedBlocks('\x0f' + std::string(15, '\x10')), key},
        {"the wrong key", full, CipherKey{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80,
                                          0x80, 0x80, 0x80, 0x80}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SegmentDecryption decryption = decryptionWith(c.key);
        ASSERT_TRUE(decryption.feed(asBytes(c.cipher)).has_value());
        EXPECT_FALSE(decryption.finish().has_value());
    }
}

class FailingDecryptor final : public BlockDecryptor {
public:
    CipherError decrypt(std::span<const std::uint8_t>, std::span<std::uint8_t>) override { return 0xC0000001; }
};

TEST(SegmentDecryption, StaysFailedOnceTheCipherFailed)
{
    SegmentDecryption decryption(std::make_unique<FailingDecryptor>());
    const std::string cipher(48, 'x');
    EXPECT_FALSE(decryption.feed(asBytes(cipher)).has_value());
    EXPECT_FALSE(decryption.feed(asBytes(cipher)).has_value());
    EXPECT_FALSE(decryption.finish().has_value());
}

}  // namespace
}  // namespace telvia::stream
