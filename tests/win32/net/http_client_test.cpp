// The WinHTTP adapter against a scripted server on the loopback interface: answers with a
// length, chunked or up to the close, the head's few headers, the caller's request headers
// and the browser User-Agent otherwise, byte ranges, redirects followed by hand with the
// final address kept, the system's error codes, time-outs and cancellation from another
// thread while a call is blocked.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "loopback_http_server.h"
#include "platform/http_port.h"
#include "platform/win32/net/win32_http.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using telvia::HttpByteRange;
using telvia::HttpError;
using telvia::HttpHeader;
using telvia::HttpRequest;
using telvia::HttpStarted;
using telvia::HttpTimeouts;
using telvia::HttpTransfer;
using telvia::testing::LoopbackHttpServer;
using telvia::testing::ReceivedRequest;
using telvia::testing::Reply;

// Short enough to keep the suite fast, long enough for a loopback server under Wine.
constexpr HttpTimeouts kQuick{300ms, 300ms, 300ms};
// For waits that only a cancel should end.
constexpr HttpTimeouts kPatient{10s, 10s, 10s};
// A blocked call must come back well within this after a cancel or its time-out.
constexpr auto kPrompt = 2s;

HttpRequest requestFor(std::string address, std::vector<HttpHeader> headers = {},
                       std::optional<HttpByteRange> range = std::nullopt, HttpTimeouts timeouts = kQuick) {
  return HttpRequest{std::move(address), std::move(headers), range, timeouts};
}

struct Body {
  std::string bytes;
  HttpError error = telvia::httpOk;
  int reads = 0;  // reads that gave bytes
};

// Reads to the end or the first error, in pieces of at most pieceSize.
Body readAll(HttpTransfer& transfer, std::size_t pieceSize = 4096) {
  Body body;
  std::vector<std::byte> piece(pieceSize);
  for (;;) {
    const telvia::HttpReadResult read = transfer.read(piece);
    if (read.error != telvia::httpOk) {
      body.error = read.error;
      return body;
    }
    if (read.count == 0) return body;
    EXPECT_LE(read.count, pieceSize);
    body.bytes.append(reinterpret_cast<const char*>(piece.data()), read.count);
    ++body.reads;
  }
}

std::string countingBytes(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

class HttpClientTest : public ::testing::Test {
 protected:
  LoopbackHttpServer server_;
  telvia::win32::Win32HttpClient client_;
};

// ---------------------------------------------------------------------------------------
// Answers

TEST_F(HttpClientTest, GivesTheHeadAndTheWholeBodyHoweverItIsFramed) {
  const std::string large = countingBytes(1 << 20);
  const struct {
    const char* name;
    Reply reply;
    std::size_t pieceSize;
    std::uint32_t status;
    std::optional<std::string> contentType;
    std::optional<std::uint64_t> contentLength;
    std::optional<std::string> icyMetaInt;
    std::string body;
  } cases[] = {
      {"with a length, read in small pieces",
       Reply::withBody(200, "0123456789abcdefghij", "Content-Type: video/mp2t\r\n"), 7, 200, "video/mp2t",
       20, std::nullopt, "0123456789abcdefghij"},
      {"chunked: no length, the pieces joined", Reply::chunked({"#EXTM3U\n", "#EXT-X-VERSION:3\n", "x"}),
       4096, 200, std::nullopt, std::nullopt, std::nullopt, "#EXTM3U\n#EXT-X-VERSION:3\nx"},
      {"up to the close: no length", Reply::toClose("radio bytes"), 4096, 200, std::nullopt, std::nullopt,
       std::nullopt, "radio bytes"},
      {"empty", Reply::withBody(200, ""), 4096, 200, std::nullopt, 0, std::nullopt, ""},
      {"an error status is an answer too", Reply::withBody(404, "gone"), 4096, 404, std::nullopt, 4,
       std::nullopt, "gone"},
      {"a radio stream's metadata interval, raw",
       Reply::withBody(200, "abc", "Content-Type: audio/mpeg\r\nicy-metaint: 16000\r\n"), 4096, 200,
       "audio/mpeg", 3, "16000", "abc"},
      {"a length that is not a number is no length",
       Reply{"HTTP/1.1 200 OK\r\nContent-Length: lots\r\nConnection: close\r\n\r\n", false}, 4096, 200,
       std::nullopt, std::nullopt, std::nullopt, ""},
      {"a megabyte, byte for byte", Reply::withBody(200, large), 65536, 200, std::nullopt, large.size(),
       std::nullopt, large},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.name);
    const std::string target = "/answer" + std::to_string(i);
    server_.on(target, c.reply);

    const auto transfer = client_.get(requestFor(server_.address(target)));
    const HttpStarted started = transfer->start();
    ASSERT_EQ(started.error, telvia::httpOk);
    EXPECT_EQ(started.head.status, c.status);
    EXPECT_EQ(started.head.finalAddress, server_.address(target));
    EXPECT_EQ(started.head.contentType, c.contentType);
    EXPECT_EQ(started.head.contentLength, c.contentLength);
    EXPECT_EQ(started.head.icyMetaInt, c.icyMetaInt);

    const Body body = readAll(*transfer, c.pieceSize);
    EXPECT_EQ(body.error, telvia::httpOk);
    EXPECT_EQ(body.bytes.size(), c.body.size());
    EXPECT_TRUE(body.bytes == c.body);
    // The end stays the end.
    std::byte spare[8];
    const telvia::HttpReadResult again = transfer->read(spare);
    EXPECT_EQ(again.error, telvia::httpOk);
    EXPECT_EQ(again.count, 0u);
  }
}

TEST_F(HttpClientTest, ReadBeforeStartFailsWithoutTouchingTheNetwork) {
  const auto transfer = client_.get(requestFor(server_.address("/never")));
  std::byte piece[16];
  const telvia::HttpReadResult read = transfer->read(piece);
  EXPECT_NE(read.error, telvia::httpOk);
  EXPECT_EQ(read.count, 0u);
  EXPECT_TRUE(server_.requests().empty());
}

// ---------------------------------------------------------------------------------------
// What is sent

TEST_F(HttpClientTest, SendsTheCallersHeadersAndABrowserUserAgentWhenNoneIsGiven) {
  const std::string defaultAgent(telvia::httpDefaultUserAgent);
  const struct {
    const char* name;
    std::vector<HttpHeader> headers;
    std::vector<std::string> userAgents;  // every User-Agent the server saw
    std::vector<std::string> referers;
    std::vector<std::string> icyMetadata;
  } cases[] = {
      {"none given", {}, {defaultAgent}, {}, {}},
      {"User-Agent and Referer from the address",
       {{"User-Agent", "Player/1.0"}, {"Referer", "http://example.org/page"}},
       {"Player/1.0"},
       {"http://example.org/page"},
       {}},
      {"a User-Agent in any case replaces the default", {{"user-agent", "lower/2"}}, {"lower/2"}, {}, {}},
      {"other headers leave the default", {{"Icy-MetaData", "1"}}, {defaultAgent}, {}, {"1"}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.name);
    const std::string target = "/headers" + std::to_string(i);
    server_.on(target, Reply::withBody(200, "ok"));

    const auto transfer = client_.get(requestFor(server_.address(target), c.headers));
    ASSERT_EQ(transfer->start().error, telvia::httpOk);

    const std::vector<ReceivedRequest> seen = server_.requests();
    ASSERT_EQ(seen.size(), i + 1);
    const ReceivedRequest& request = seen.back();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, target);
    EXPECT_EQ(request.values("User-Agent"), c.userAgents);
    EXPECT_EQ(request.values("Referer"), c.referers);
    EXPECT_EQ(request.values("Icy-MetaData"), c.icyMetadata);
    EXPECT_TRUE(request.values("Range").empty());
  }
}

TEST_F(HttpClientTest, AsksForTheByteRangeAndReadsThePart) {
  const std::string content = countingBytes(1000);
  server_.on("/file.ts", [&content](const ReceivedRequest& request) {
    return telvia::testing::rangedReply(request, content);
  });
  const struct {
    std::optional<HttpByteRange> range;
    std::string header;
    std::uint32_t status;
    std::size_t first;
    std::size_t length;
  } cases[] = {
      {HttpByteRange{100, 199}, "bytes=100-199", 206, 100, 100},
      {HttpByteRange{900, std::nullopt}, "bytes=900-", 206, 900, 100},
      {HttpByteRange{0, 0}, "bytes=0-0", 206, 0, 1},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.header);
    const auto transfer = client_.get(requestFor(server_.address("/file.ts"), {}, c.range));
    const HttpStarted started = transfer->start();
    ASSERT_EQ(started.error, telvia::httpOk);
    EXPECT_EQ(started.head.status, c.status);
    EXPECT_EQ(started.head.contentLength, c.length);
    EXPECT_TRUE(readAll(*transfer).bytes == content.substr(c.first, c.length));
    EXPECT_EQ(server_.requests().back().values("Range"), std::vector<std::string>{c.header});
  }
}

// ---------------------------------------------------------------------------------------
// Redirects

TEST_F(HttpClientTest, FollowsRedirectsAndKeepsTheFinalAddress) {
  const struct {
    const char* name;
    std::vector<std::pair<std::string, Reply>> script;
    std::string start;
    std::string final;  // target of the answer
    std::uint32_t status;
    std::size_t hops;   // requests the server read
  } cases[] = {
      {"302 to an absolute address",
       {{"/a1", Reply::redirect(302, server_.address("/b1"))}, {"/b1", Reply::withBody(200, "end")}},
       "/a1", "/b1", 200, 2},
      {"301 to a path from the root",
       {{"/dir2/a", Reply::redirect(301, "/b2")}, {"/b2", Reply::withBody(200, "end")}},
       "/dir2/a", "/b2", 200, 2},
      {"303 to a name in the same folder",
       {{"/dir3/a", Reply::redirect(303, "c.m3u8")}, {"/dir3/c.m3u8", Reply::withBody(200, "end")}},
       "/dir3/a", "/dir3/c.m3u8", 200, 2},
      {"307 to the folder above",
       {{"/dir4/sub/a", Reply::redirect(307, "../up.ts")}, {"/dir4/up.ts", Reply::withBody(200, "end")}},
       "/dir4/sub/a", "/dir4/up.ts", 200, 2},
      {"308 keeping a query",
       {{"/a5", Reply::redirect(308, "/b5?token=x&n=1")}, {"/b5?token=x&n=1", Reply::withBody(200, "end")}},
       "/a5", "/b5?token=x&n=1", 200, 2},
      {"a chain, each step relative to the one before",
       {{"/x6/a", Reply::redirect(302, "/y6/b")},
        {"/y6/b", Reply::redirect(302, "c")},
        {"/y6/c", Reply::withBody(200, "end")}},
       "/x6/a", "/y6/c", 200, 3},
      {"a redirect to an error: the error is the answer",
       {{"/a7", Reply::redirect(302, "/missing7")}}, "/a7", "/missing7", 404, 2},
      {"a redirect without a Location is the answer",
       {{"/a8", Reply::withBody(302, "")}}, "/a8", "/a8", 302, 1},
      {"300 is not followed",
       {{"/a9", Reply{"HTTP/1.1 300 Multiple Choices\r\nLocation: /b9\r\nContent-Length: 0\r\n"
                      "Connection: close\r\n\r\n", false}}},
       "/a9", "/a9", 300, 1},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.name);
    for (const auto& [target, reply] : c.script) server_.on(target, reply);
    const std::size_t before = server_.requests().size();

    const auto transfer = client_.get(requestFor(server_.address(c.start)));
    const HttpStarted started = transfer->start();
    ASSERT_EQ(started.error, telvia::httpOk);
    EXPECT_EQ(started.head.status, c.status);
    EXPECT_EQ(started.head.finalAddress, server_.address(c.final));
    EXPECT_EQ(server_.requests().size() - before, c.hops);
    EXPECT_EQ(server_.requests().back().target, c.final);
    if (c.status == 200) {
      EXPECT_EQ(readAll(*transfer).bytes, "end");
    }
  }
}

TEST_F(HttpClientTest, EveryHopCarriesTheCallersHeadersAndRange) {
  server_.on("/start", Reply::redirect(302, "/moved"));
  server_.on("/moved", Reply::withBody(206, "part"));
  const auto transfer = client_.get(
      requestFor(server_.address("/start"), {{"Referer", "http://example.org/"}}, HttpByteRange{10, 13}));
  ASSERT_EQ(transfer->start().error, telvia::httpOk);

  const std::vector<ReceivedRequest> seen = server_.requests();
  ASSERT_EQ(seen.size(), 2u);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "hop " << i);
    EXPECT_EQ(seen[i].values("Referer"), std::vector<std::string>{"http://example.org/"});
    EXPECT_EQ(seen[i].values("Range"), std::vector<std::string>{"bytes=10-13"});
    EXPECT_EQ(seen[i].values("User-Agent"), std::vector<std::string>{std::string(telvia::httpDefaultUserAgent)});
  }
}

// The caller's headers were meant for the server its address names: a hop to another
// origin (another port here) goes without them, the range stays, and a hop back to the
// first origin carries them again.
TEST_F(HttpClientTest, AHopToAnotherOriginGoesWithoutTheCallersHeaders) {
  LoopbackHttpServer other;
  server_.on("/start", Reply::redirect(302, other.address("/elsewhere")));
  other.on("/elsewhere", Reply::redirect(302, server_.address("/back")));
  server_.on("/back", Reply::withBody(206, "part"));
  const auto transfer = client_.get(requestFor(
      server_.address("/start"), {{"Referer", "http://example.org/"}, {"User-Agent", "Tuner/2"}}, HttpByteRange{10, 13}));
  ASSERT_EQ(transfer->start().error, telvia::httpOk);

  const std::vector<ReceivedRequest> first = server_.requests();
  const std::vector<ReceivedRequest> elsewhere = other.requests();
  ASSERT_EQ(first.size(), 2u);
  ASSERT_EQ(elsewhere.size(), 1u);
  for (const ReceivedRequest& seen : first) {
    EXPECT_EQ(seen.values("Referer"), std::vector<std::string>{"http://example.org/"});
    EXPECT_EQ(seen.values("User-Agent"), std::vector<std::string>{"Tuner/2"});
  }
  EXPECT_TRUE(elsewhere[0].values("Referer").empty());
  EXPECT_EQ(elsewhere[0].values("User-Agent"), std::vector<std::string>{std::string(telvia::httpDefaultUserAgent)});
  EXPECT_EQ(elsewhere[0].values("Range"), std::vector<std::string>{"bytes=10-13"});
}

TEST_F(HttpClientTest, GivesUpOnARedirectLoopAfterTheLimit) {
  server_.on("/loop", Reply::redirect(302, "/loop"));
  const auto transfer = client_.get(requestFor(server_.address("/loop")));
  EXPECT_EQ(transfer->start().error, telvia::httpErrorRedirectFailed);
  EXPECT_EQ(server_.requests().size(), static_cast<std::size_t>(telvia::httpRedirectLimit + 1));
  // Nothing of the last redirect is left to read.
  std::byte piece[16];
  EXPECT_NE(transfer->read(piece).error, telvia::httpOk);
}

// ---------------------------------------------------------------------------------------
// Failures

TEST_F(HttpClientTest, StartFailsWithTheSystemsErrorCode) {
  const std::string closedPort = "http://127.0.0.1:" + std::to_string(telvia::testing::unusedLoopbackPort()) + "/x";
  server_.on("/to-ftp", Reply::redirect(302, "ftp://127.0.0.1/file"));
  const struct {
    const char* name;
    std::string address;
    HttpError error;
  } cases[] = {
      {"nothing listens", closedPort, telvia::httpErrorCannotConnect},
      {"not http", "ftp://127.0.0.1/file", telvia::httpErrorUnsupportedScheme},
      {"no host", "http:///path", telvia::httpErrorInvalidAddress},
      {"not UTF-8", "http://127.0.0.1/\xff", telvia::httpErrorInvalidAddress},
      {"redirected to something not http", server_.address("/to-ftp"), telvia::httpErrorUnsupportedScheme},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.name);
    const auto transfer = client_.get(requestFor(c.address));
    const HttpStarted started = transfer->start();
    EXPECT_EQ(started.error, c.error);
  }
}

TEST_F(HttpClientTest, HttpsSpeaksTlsRatherThanPlainHttp) {
  // The plain server sees a TLS greeting, not a request, and the handshake fails.
  const std::string address = "https://127.0.0.1:" + std::to_string(server_.port()) + "/secure";
  const auto transfer = client_.get(requestFor(address));
  EXPECT_NE(transfer->start().error, telvia::httpOk);
  EXPECT_TRUE(server_.requests().empty());
}

// ---------------------------------------------------------------------------------------
// Time-outs and cancellation

TEST_F(HttpClientTest, TimeOutsEndWaitsForTheHeadAndForTheBody) {
  server_.on("/silent", Reply::silent());
  server_.on("/stalled", Reply::stalled(1000, "first"));

  {
    SCOPED_TRACE("no answer");
    const auto transfer = client_.get(requestFor(server_.address("/silent")));
    const auto began = Clock::now();
    EXPECT_EQ(transfer->start().error, telvia::httpErrorTimeout);
    EXPECT_LT(Clock::now() - began, kPrompt);
    EXPECT_GE(Clock::now() - began, 250ms);
  }
  {
    SCOPED_TRACE("a body that stops");
    const auto transfer = client_.get(requestFor(server_.address("/stalled")));
    ASSERT_EQ(transfer->start().error, telvia::httpOk);
    const auto began = Clock::now();
    const Body body = readAll(*transfer);
    EXPECT_EQ(body.bytes, "first");
    EXPECT_EQ(body.error, telvia::httpErrorTimeout);
    EXPECT_LT(Clock::now() - began, kPrompt);
  }
}

enum class Blocked { beforeStart, waitingForTheHead, readingTheBody };

TEST_F(HttpClientTest, CancelFromAnotherThreadEndsABlockedCallPromptly) {
  server_.on("/silent", Reply::silent());
  server_.on("/stalled", Reply::stalled(1000, "first"));
  const struct {
    const char* name;
    Blocked blocked;
    std::string target;
  } cases[] = {
      {"before start", Blocked::beforeStart, "/silent"},
      {"waiting for the head", Blocked::waitingForTheHead, "/silent"},
      {"reading the body", Blocked::readingTheBody, "/stalled"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.name);
    const std::size_t before = server_.requests().size();
    const auto transfer = client_.get(requestFor(server_.address(c.target), {}, std::nullopt, kPatient));
    if (c.blocked == Blocked::beforeStart) {
      transfer->cancel();
      EXPECT_EQ(transfer->start().error, telvia::httpErrorCancelled);
      EXPECT_EQ(server_.requests().size(), before);
      continue;
    }

    // The cancel comes once the server holds the request, and a little later still, so
    // that the call it aborts is surely blocked by then.
    auto canceller = std::async(std::launch::async, [&] {
      const bool served = server_.waitForRequests(before + 1, 5s);
      std::this_thread::sleep_for(200ms);
      const auto cancelled = Clock::now();
      transfer->cancel();
      return std::make_pair(served, cancelled);
    });
    Body body;
    HttpError startError = transfer->start().error;
    if (c.blocked == Blocked::readingTheBody) {
      ASSERT_EQ(startError, telvia::httpOk);
      body = readAll(*transfer);
      EXPECT_EQ(body.bytes, "first");
    } else {
      body.error = startError;
    }
    const auto returned = Clock::now();
    const auto [served, cancelled] = canceller.get();
    EXPECT_TRUE(served);
    EXPECT_EQ(body.error, telvia::httpErrorCancelled);
    EXPECT_LT(returned - cancelled, kPrompt);

    // Every later call fails the same way, and a second cancel is harmless.
    transfer->cancel();
    std::byte piece[16];
    EXPECT_EQ(transfer->read(piece).error, telvia::httpErrorCancelled);
  }
}

}  // namespace
