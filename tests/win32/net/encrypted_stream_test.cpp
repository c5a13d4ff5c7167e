// An HLS stream with AES-128 encrypted segments, encrypted here with the system's own
// cipher and PKCS#7 padding, served by a loopback server and played through the real
// session over WinHTTP and BCrypt: every picture comes out, and the key is fetched once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "loopback_http_server.h"
#include "playback/stream/delivery/stream_clock.h"
#include "playback/stream/session/stream_session.h"
#include "platform/win32/net/bcrypt_handle.h"
#include "platform/win32/net/win32_cipher.h"
#include "platform/win32/net/win32_http.h"
#include "program_writer.h"
#include "session_rig.h"

namespace {

using telvia::CipherIv;
using telvia::CipherKey;
using telvia::StreamOpenResult;
using telvia::testing::LoopbackHttpServer;
using telvia::testing::Reply;

// What a packager writes: the segment encrypted in CBC mode with the system's padding.
std::string encryptWithSystem(const CipherKey& key, const CipherIv& iv, const std::string& plain) {
  BCRYPT_ALG_HANDLE opened = nullptr;
  EXPECT_GE(BCryptOpenAlgorithmProvider(&opened, BCRYPT_AES_ALGORITHM, nullptr, 0), 0);
  const telvia::win32::UniqueAlgorithm algorithm(opened);
  BCRYPT_KEY_HANDLE made = nullptr;
  EXPECT_GE(BCryptGenerateSymmetricKey(algorithm.get(), &made, nullptr, 0, const_cast<PUCHAR>(key.data()),
                                       static_cast<ULONG>(key.size()), 0),
            0);
  const telvia::win32::UniqueKey keyObject(made);
  CipherIv chain = iv;
  std::string out(plain.size() / 16 * 16 + 16, '\0');
  ULONG written = 0;
  const NTSTATUS status = BCryptEncrypt(
      keyObject.get(), reinterpret_cast<PUCHAR>(const_cast<char*>(plain.data())), static_cast<ULONG>(plain.size()),
      nullptr, chain.data(), static_cast<ULONG>(chain.size()), reinterpret_cast<PUCHAR>(out.data()),
      static_cast<ULONG>(out.size()), &written, BCRYPT_BLOCK_PADDING);
  EXPECT_GE(status, 0) << std::hex << status;
  out.resize(written);
  return out;
}

CipherIv ivOfSequence(std::uint64_t sequence) {
  CipherIv iv{};
  for (std::size_t i = 0; i < 8; ++i) iv[15 - i] = static_cast<std::uint8_t>(sequence >> (8 * i));
  return iv;
}

std::vector<std::string> piecesOf(const std::string& bytes, std::size_t size) {
  std::vector<std::string> pieces;
  for (std::size_t at = 0; at < bytes.size(); at += size) pieces.push_back(bytes.substr(at, size));
  return pieces;
}

TEST(EncryptedStream, PlaysAesSegmentsFromALoopbackServerThroughWinHttpAndBCrypt) {
  const CipherKey key = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                         0x98, 0xa9, 0xba, 0xcb, 0xdc, 0xed, 0xfe, 0x0f};
  const CipherIv given = {0xf0, 0xe1, 0xd2, 0xc3, 0xb4, 0xa5, 0x96, 0x87,
                          0x78, 0x69, 0x5a, 0x4b, 0x3c, 0x2d, 0x1e, 0x0f};
  LoopbackHttpServer server;
  server.on("/live/index.m3u8",
            Reply::withBody(200,
                            "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXT-X-MEDIA-SEQUENCE:5\n"
                            "#EXT-X-KEY:METHOD=AES-128,URI=\"../keys/k.bin\"\n#EXTINF:1.0,\nseg0.ts\n"
                            "#EXT-X-KEY:METHOD=AES-128,URI=\"../keys/k.bin\",IV=0xF0E1D2C3B4A5968778695A4B3C2D1E0F\n"
                            "#EXTINF:1.0,\nseg1.ts\n"
                            "#EXT-X-KEY:METHOD=AES-128,URI=\"../keys/k.bin\"\n#EXTINF:1.0,\nseg2.ts\n"
                            "#EXT-X-ENDLIST\n",
                            "Content-Type: application/vnd.apple.mpegurl\r\n"));
  server.on("/keys/k.bin", Reply::withBody(200, std::string(key.begin(), key.end())));
  telvia::stream::testing::ProgramWriter writer;
  const CipherIv ivs[] = {ivOfSequence(5), given, ivOfSequence(7)};
  for (std::size_t i = 0; i < std::size(ivs); ++i) {
    const std::string cipher = encryptWithSystem(key, ivs[i], telvia::stream::testing::asText(writer.piece(25)));
    // The middle one in chunks that cut through the blocks.
    server.on("/live/seg" + std::to_string(i) + ".ts",
              i == 1 ? Reply::chunked(piecesOf(cipher, 1001))
                     : Reply::withBody(200, cipher, "Content-Type: video/mp2t\r\n"));
  }

  telvia::win32::Win32HttpClient http;
  telvia::win32::Win32Cipher cipher;
  telvia::stream::SteadyStreamClock clock;
  telvia::stream::testing::RecordingEvents events;
  telvia::stream::StreamSession session(http, cipher, clock, events);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(session.open(server.address("/live/index.m3u8")), StreamOpenResult::opened);
  const auto samples = telvia::stream::testing::pullAll(session);
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  std::printf("[ info ] three encrypted segments played in %lld ms\n", static_cast<long long>(took.count()));

  ASSERT_EQ(samples.size(), 2u);
  const std::vector<telvia::StreamSample>& video = samples[0];
  ASSERT_EQ(video.size(), 75u);
  // A real clock runs here: a pause in the delivery may shift what follows it later, so
  // the pictures are checked for their order and their key frames, not their exact times.
  EXPECT_TRUE(telvia::stream::testing::strictlyRising(video));
  for (std::size_t i = 0; i < video.size(); ++i) {
    ASSERT_EQ(video[i].keyFrame, i % 25 == 0) << i;
  }
  EXPECT_NEAR(static_cast<double>(samples[1].size()), 3 * 48000 / 1024.0, 2);
  const auto requests = server.requests();
  EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                          [](const telvia::testing::ReceivedRequest& r) { return r.target == "/keys/k.bin"; }),
            1);
}

}  // namespace
