// Fuzz target for the decryption of a segment as its bytes arrive: the input is cut into
// pieces of the sizes it names and decrypted with the test cipher. Whatever comes, no call
// hands out more plain bytes than cipher bytes went in, the bytes handed out are those of
// decrypting the whole at once, and a segment that is not whole blocks with PKCS#7
// padding ends in failure.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "call_log.h"
#include "fake_cipher.h"
#include "playback/stream/hls/segment_decryption.h"

namespace {

using namespace telvia;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "segment_decryption_fuzz: %s\n", what);
        std::abort();
    }
}

// Plain bytes of the whole segment at once; none when it does not decrypt.
std::optional<std::vector<std::uint8_t>> decryptWhole(fakes::FakeCipher& cipher, std::span<const std::uint8_t> segment)
{
    CipherMade made = cipher.aes128CbcDecryptor(CipherKey{1, 2, 3}, CipherIv{4, 5, 6});
    stream::SegmentDecryption decryption(std::move(made.decryptor));
    std::vector<std::uint8_t> plain;
    const auto fed = decryption.feed(segment);
    if (!fed) {
        return std::nullopt;
    }
    plain.assign(fed->begin(), fed->end());
    const auto rest = decryption.finish();
    if (!rest) {
        return std::nullopt;
    }
    plain.insert(plain.end(), rest->begin(), rest->end());
    return plain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) {
        return 0;
    }
    // The first byte: how many bytes each piece holds (1 to 64).
    const std::size_t piece = static_cast<std::size_t>(data[0] % 64) + 1;
    const std::span<const std::uint8_t> segment(data + 1, size - 1);
    fakes::CallLog log;
    fakes::FakeCipher cipher(log);
    const std::optional<std::vector<std::uint8_t>> whole = decryptWhole(cipher, segment);
    check(!whole || segment.size() % 16 == 0, "a segment of broken blocks decrypted");
    check(!whole || (whole->size() < segment.size() && whole->size() + 16 >= segment.size()),
          "padding of more than a block, or none");

    CipherMade made = cipher.aes128CbcDecryptor(CipherKey{1, 2, 3}, CipherIv{4, 5, 6});
    stream::SegmentDecryption decryption(std::move(made.decryptor));
    std::vector<std::uint8_t> plain;
    std::size_t fedSoFar = 0;
    for (std::size_t at = 0; at < segment.size(); at += piece) {
        const std::span<const std::uint8_t> part = segment.subspan(at, std::min(piece, segment.size() - at));
        fedSoFar += part.size();
        const auto out = decryption.feed(part);
        check(out.has_value(), "a whole number of bytes refused before the end");
        plain.insert(plain.end(), out->begin(), out->end());
        check(plain.size() <= fedSoFar, "more plain bytes than cipher bytes");
    }
    const auto rest = decryption.finish();
    check(rest.has_value() == whole.has_value(), "pieces and the whole disagree on the padding");
    if (rest) {
        plain.insert(plain.end(), rest->begin(), rest->end());
        check(plain == *whole, "pieces decrypt to other bytes than the whole");
    }
    return 0;
}
