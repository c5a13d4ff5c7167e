// The BCrypt adapter against the AES-128 CBC example of NIST SP 800-38A (F.2.2,
// CBC-AES128.Decrypt): whole blocks in one call or in pieces that continue the chain,
// independent decryptors, a decryptor that outlives its client, and the calls it refuses
// without touching the chain or the output.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/cipher_port.h"
#include "platform/win32/net/win32_cipher.h"

namespace {

using telvia::BlockDecryptor;
using telvia::CipherIv;
using telvia::CipherKey;
using Bytes = std::vector<std::uint8_t>;

constexpr CipherKey kKey = {0x2b, 0x7e, 0x15, 0x16, 0x28, 0xae, 0xd2, 0xa6,
                            0xab, 0xf7, 0x15, 0x88, 0x09, 0xcf, 0x4f, 0x3c};
constexpr CipherIv kIv = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                          0x08, 0x09, 0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};

const Bytes kCipherText = {
    0x76, 0x49, 0xab, 0xac, 0x81, 0x19, 0xb2, 0x46, 0xce, 0xe9, 0x8e, 0x9b, 0x12, 0xe9, 0x19, 0x7d,
    0x50, 0x86, 0xcb, 0x9b, 0x50, 0x72, 0x19, 0xee, 0x95, 0xdb, 0x11, 0x3a, 0x91, 0x76, 0x78, 0xb2,
    0x73, 0xbe, 0xd6, 0xb8, 0xe3, 0xc1, 0x74, 0x3b, 0x71, 0x16, 0xe6, 0x9e, 0x22, 0x22, 0x95, 0x16,
    0x3f, 0xf1, 0xca, 0xa1, 0x68, 0x1f, 0xac, 0x09, 0x12, 0x0e, 0xca, 0x30, 0x75, 0x86, 0xe1, 0xa7};
const Bytes kPlainText = {
    0x6b, 0xc1, 0xbe, 0xe2, 0x2e, 0x40, 0x9f, 0x96, 0xe9, 0x3d, 0x7e, 0x11, 0x73, 0x93, 0x17, 0x2a,
    0xae, 0x2d, 0x8a, 0x57, 0x1e, 0x03, 0xac, 0x9c, 0x9e, 0xb7, 0x6f, 0xac, 0x45, 0xaf, 0x8e, 0x51,
    0x30, 0xc8, 0x1c, 0x46, 0xa3, 0x5c, 0xe4, 0x11, 0xe5, 0xfb, 0xc1, 0x19, 0x1a, 0x0a, 0x52, 0xef,
    0xf6, 0x9f, 0x24, 0x45, 0xdf, 0x4f, 0x9b, 0x17, 0xad, 0x2b, 0x41, 0x7b, 0xe6, 0x6c, 0x37, 0x10};

constexpr std::uint8_t kSentinel = 0xCC;

std::unique_ptr<BlockDecryptor> makeDecryptor(telvia::win32::Win32Cipher& cipher) {
  telvia::CipherMade made = cipher.aes128CbcDecryptor(kKey, kIv);
  EXPECT_EQ(made.error, telvia::cipherOk) << std::hex << made.error;
  EXPECT_NE(made.decryptor, nullptr);
  return std::move(made.decryptor);
}

// Decrypts the next `size` bytes of the example into a buffer with a sentinel block after
// them, which must stay untouched.
Bytes decryptPiece(BlockDecryptor& decryptor, std::size_t at, std::size_t size) {
  Bytes out(size + telvia::cipherBlockSize, kSentinel);
  const telvia::CipherError error =
      decryptor.decrypt(std::span(kCipherText).subspan(at, size), std::span(out).first(size));
  EXPECT_EQ(error, telvia::cipherOk) << std::hex << error;
  for (std::size_t i = size; i < out.size(); ++i) EXPECT_EQ(out[i], kSentinel) << "past the output at " << i;
  out.resize(size);
  return out;
}

TEST(Win32Cipher, DecryptsTheNistExampleInOneCallOrInPiecesThatContinueTheChain) {
  const std::vector<std::vector<std::size_t>> splits = {
      {64}, {16, 16, 16, 16}, {32, 32}, {16, 48}, {48, 16}, {0, 32, 0, 32}};
  telvia::win32::Win32Cipher cipher;
  for (std::size_t i = 0; i < splits.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "split " << i);
    const auto decryptor = makeDecryptor(cipher);
    ASSERT_NE(decryptor, nullptr);
    Bytes plain;
    std::size_t at = 0;
    for (const std::size_t size : splits[i]) {
      const Bytes piece = decryptPiece(*decryptor, at, size);
      plain.insert(plain.end(), piece.begin(), piece.end());
      at += size;
    }
    EXPECT_EQ(plain, kPlainText);
  }
}

TEST(Win32Cipher, DecryptorsKeepTheirOwnChainsAndOutliveTheirClient) {
  auto cipher = std::make_unique<telvia::win32::Win32Cipher>();
  const auto first = makeDecryptor(*cipher);
  const auto second = makeDecryptor(*cipher);
  ASSERT_TRUE(first && second);
  cipher.reset();  // the provider stays open for the keys made with it
  Bytes plainFirst, plainSecond;
  for (std::size_t at = 0; at < kCipherText.size(); at += 16) {
    const Bytes a = decryptPiece(*first, at, 16);
    const Bytes b = decryptPiece(*second, at, 16);
    plainFirst.insert(plainFirst.end(), a.begin(), a.end());
    plainSecond.insert(plainSecond.end(), b.begin(), b.end());
  }
  EXPECT_EQ(plainFirst, kPlainText);
  EXPECT_EQ(plainSecond, kPlainText);
}

TEST(Win32Cipher, RefusesPartBlocksAndMismatchedBuffersAndKeepsItsChain) {
  telvia::win32::Win32Cipher cipher;
  const auto decryptor = makeDecryptor(cipher);
  ASSERT_NE(decryptor, nullptr);
  Bytes inPlace(kCipherText.begin(), kCipherText.begin() + 32);
  Bytes out(64, kSentinel);
  const struct {
    const char* name;
    std::span<const std::uint8_t> in;
    std::span<std::uint8_t> out;
  } cases[] = {
      {"part of a block", std::span(kCipherText).first(15), std::span(out).first(15)},
      {"a block and a bit", std::span(kCipherText).first(20), std::span(out).first(20)},
      {"output shorter than input", std::span(kCipherText).first(32), std::span(out).first(16)},
      {"output longer than input", std::span(kCipherText).first(16), std::span(out).first(32)},
      {"in place", inPlace, inPlace},
      {"overlapping", std::span<const std::uint8_t>(inPlace).first(16), std::span(inPlace).subspan(8, 16)},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << cases[i].name);
    EXPECT_EQ(decryptor->decrypt(cases[i].in, cases[i].out), telvia::cipherErrorInvalidParameter);
    EXPECT_EQ(out, Bytes(64, kSentinel));
    EXPECT_TRUE(std::equal(inPlace.begin(), inPlace.end(), kCipherText.begin()));
  }
  // Nothing refused moved the chain: the example still decrypts from its start.
  Bytes plain;
  for (std::size_t at = 0; at < kCipherText.size(); at += 32) {
    const Bytes piece = decryptPiece(*decryptor, at, 32);
    plain.insert(plain.end(), piece.begin(), piece.end());
  }
  EXPECT_EQ(plain, kPlainText);
}

}  // namespace
