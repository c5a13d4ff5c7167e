// A small HTTP server on 127.0.0.1 for tests of the network adapters: it answers each
// target with a scripted reply, records every request it read, and can keep a connection
// open without a word (before the answer or in the middle of a body) until the client
// gives up or the server stops. One thread per connection, one request per connection.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace telvia::testing {

struct ReceivedRequest {
  std::string method;
  std::string target;  // path and query as on the request line
  std::vector<std::pair<std::string, std::string>> headers;  // in order, as sent

  // Values of every header with this name, compared without regard to case.
  [[nodiscard]] std::vector<std::string> values(std::string_view name) const;
};

struct Reply {
  std::string bytes;  // written as they are: status line, headers, body
  bool hold = false;  // afterwards the connection stays open and silent

  // A complete answer with Content-Length; extra header lines end in "\r\n".
  static Reply withBody(int status, std::string_view body, std::string_view extraHeaders = {});
  // A chunked answer, one chunk per piece.
  static Reply chunked(const std::vector<std::string>& pieces);
  // An answer without a length, which ends when the server closes the connection.
  static Reply toClose(std::string_view body);
  static Reply redirect(int status, std::string_view location);
  // The head and the first part of a body of the given length, the rest never sent.
  static Reply stalled(std::uint64_t contentLength, std::string_view firstPart);
  // Reads the request and never answers.
  static Reply silent();
};

using Responder = std::function<Reply(const ReceivedRequest&)>;

// 206 with the part a "Range: bytes=first-[last]" header asks for, or 200 with all of it.
[[nodiscard]] Reply rangedReply(const ReceivedRequest& request, std::string_view content);

// A loopback port that nothing listens on (free a moment ago).
[[nodiscard]] std::uint16_t unusedLoopbackPort();

class LoopbackHttpServer {
public:
  // Listening on a free port when it returns; fails the test when it cannot.
  LoopbackHttpServer();
  // Stops: closes every connection, held ones too, and waits for its threads.
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  [[nodiscard]] std::uint16_t port() const { return port_; }
  // "http://127.0.0.1:<port><target>".
  [[nodiscard]] std::string address(std::string_view target) const;

  // What a target is answered with; a target without a reply gets 404.
  void on(const std::string& target, Reply reply);
  void on(const std::string& target, Responder responder);

  // From now on every answer waits `latency` after its request was read, as a round trip
  // over a real network does, and its bytes go out at no more than `bytesPerSecond`
  // (0: as fast as the loopback takes them).
  void setNetwork(std::chrono::milliseconds latency, std::uint64_t bytesPerSecond);

  [[nodiscard]] std::vector<ReceivedRequest> requests() const;
  // Waits until this many requests have been read; false when the time runs out first.
  [[nodiscard]] bool waitForRequests(std::size_t count, std::chrono::milliseconds limit) const;

private:
  void acceptLoop();
  void serve(std::uintptr_t connection);
  [[nodiscard]] Reply replyTo(const ReceivedRequest& request) const;

  bool winsockStarted_ = false;
  std::uintptr_t listener_;
  std::uint16_t port_ = 0;

  mutable std::mutex mutex_;
  mutable std::condition_variable requestRead_;
  std::atomic<bool> stopping_ = false;
  std::chrono::milliseconds latency_{0};
  std::uint64_t bytesPerSecond_ = 0;
  std::map<std::string, Responder> responders_;
  std::vector<ReceivedRequest> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptor_;
};

}  // namespace telvia::testing
