#include "loopback_http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>

namespace telvia::testing {

namespace {

// Every wait on a socket is this short, so that a stop is seen promptly.
constexpr timeval kPoll{0, 20'000};
constexpr std::size_t kLargestHead = 64 * 1024;

SOCKET asSocket(std::uintptr_t socket) { return static_cast<SOCKET>(socket); }

bool ready(SOCKET socket, bool forWriting) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval wait = kPoll;
  return select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, nullptr, &wait) > 0;
}

std::string lower(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string reasonOf(int status) {
  switch (status) {
    case 200: return "OK";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 404: return "Not Found";
    case 416: return "Range Not Satisfiable";
    default: return "Status";
  }
}

std::string statusLine(int status) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reasonOf(status) + "\r\n";
}

// The request line and headers, or nothing when the bytes are not an HTTP request.
std::optional<ReceivedRequest> parseHead(std::string_view head) {
  ReceivedRequest request;
  std::size_t lineEnd = head.find("\r\n");
  const std::string_view requestLine = head.substr(0, lineEnd);
  const std::size_t firstSpace = requestLine.find(' ');
  const std::size_t secondSpace = requestLine.find(' ', firstSpace + 1);
  if (firstSpace == std::string_view::npos || secondSpace == std::string_view::npos ||
      requestLine.substr(secondSpace + 1).rfind("HTTP/", 0) != 0) {
    return std::nullopt;
  }
  request.method = std::string(requestLine.substr(0, firstSpace));
  request.target = std::string(requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1));
  while (lineEnd != std::string_view::npos && lineEnd + 2 < head.size()) {
    const std::size_t start = lineEnd + 2;
    lineEnd = head.find("\r\n", start);
    const std::string_view line = head.substr(start, lineEnd - start);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    request.headers.emplace_back(std::string(line.substr(0, colon)),
                                 std::string(trim(line.substr(colon + 1))));
  }
  return request;
}

}  // namespace

std::vector<std::string> ReceivedRequest::values(std::string_view name) const {
  std::vector<std::string> found;
  for (const auto& [headerName, value] : headers) {
    if (lower(headerName) == lower(name)) found.push_back(value);
  }
  return found;
}

Reply Reply::withBody(int status, std::string_view body, std::string_view extraHeaders) {
  return {statusLine(status) + "Content-Length: " + std::to_string(body.size()) +
              "\r\nConnection: close\r\n" + std::string(extraHeaders) + "\r\n" + std::string(body),
          false};
}

Reply Reply::chunked(const std::vector<std::string>& pieces) {
  std::string bytes = statusLine(200) + "Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
  for (const std::string& piece : pieces) {
    char size[16];
    const auto end = std::to_chars(size, size + sizeof size, piece.size(), 16).ptr;
    bytes += std::string(size, end) + "\r\n" + piece + "\r\n";
  }
  return {bytes + "0\r\n\r\n", false};
}

Reply Reply::toClose(std::string_view body) {
  return {statusLine(200) + "Connection: close\r\n\r\n" + std::string(body), false};
}

Reply Reply::redirect(int status, std::string_view location) {
  return {statusLine(status) + "Location: " + std::string(location) +
              "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n",
          false};
}

Reply Reply::stalled(std::uint64_t contentLength, std::string_view firstPart) {
  return {statusLine(200) + "Content-Length: " + std::to_string(contentLength) + "\r\n\r\n" +
              std::string(firstPart),
          true};
}

Reply Reply::silent() { return {{}, true}; }

Reply rangedReply(const ReceivedRequest& request, std::string_view content) {
  const std::vector<std::string> ranges = request.values("Range");
  if (ranges.empty()) return Reply::withBody(200, content);
  const std::string_view range = ranges.front();
  const std::size_t dash = range.find('-');
  std::uint64_t first = 0;
  std::uint64_t last = content.empty() ? 0 : content.size() - 1;
  if (range.rfind("bytes=", 0) != 0 || dash == std::string_view::npos ||
      std::from_chars(range.data() + 6, range.data() + dash, first).ec != std::errc{} ||
      (dash + 1 < range.size() &&
       std::from_chars(range.data() + dash + 1, range.data() + range.size(), last).ec != std::errc{})) {
    return Reply::withBody(200, content);
  }
  last = std::min<std::uint64_t>(last, content.empty() ? 0 : content.size() - 1);
  if (first >= content.size() || last < first) {
    return Reply::withBody(416, {}, "Content-Range: bytes */" + std::to_string(content.size()) + "\r\n");
  }
  return Reply::withBody(206, content.substr(first, last - first + 1),
                         "Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) +
                             "/" + std::to_string(content.size()) + "\r\n");
}

namespace {

// Binds to a port the system picks on 127.0.0.1; 0 when that fails.
std::uint16_t bindLoopback(SOCKET socket) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  local.sin_port = 0;
  int length = sizeof local;
  if (socket == INVALID_SOCKET || bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    return 0;
  }
  return ntohs(local.sin_port);
}

}  // namespace

std::uint16_t unusedLoopbackPort() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
  const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const std::uint16_t port = bindLoopback(socket);
  if (socket != INVALID_SOCKET) closesocket(socket);
  WSACleanup();
  return port;
}

LoopbackHttpServer::LoopbackHttpServer() : listener_(INVALID_SOCKET) {
  WSADATA data;
  winsockStarted_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  EXPECT_TRUE(winsockStarted_);
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  listener_ = listener;
  port_ = bindLoopback(listener);
  const bool listening = port_ != 0 && listen(listener, SOMAXCONN) == 0;
  EXPECT_TRUE(listening) << "WSA error " << WSAGetLastError();
  if (listening) acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  // The acceptor is gone, so no connection thread is added any more.
  for (std::thread& connection : connections_) connection.join();
  if (listener_ != INVALID_SOCKET) closesocket(asSocket(listener_));
  if (winsockStarted_) WSACleanup();
}

std::string LoopbackHttpServer::address(std::string_view target) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
}

void LoopbackHttpServer::on(const std::string& target, Reply reply) {
  on(target, [reply](const ReceivedRequest&) { return reply; });
}

void LoopbackHttpServer::on(const std::string& target, Responder responder) {
  const std::lock_guard lock(mutex_);
  responders_[target] = std::move(responder);
}

std::vector<ReceivedRequest> LoopbackHttpServer::requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

bool LoopbackHttpServer::waitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return requestRead_.wait_for(lock, limit, [&] { return requests_.size() >= count; });
}

void LoopbackHttpServer::acceptLoop() {
  const SOCKET listener = asSocket(listener_);
  while (!stopping_) {
    if (!ready(listener, false)) continue;
    const SOCKET connection = accept(listener, nullptr, nullptr);
    if (connection == INVALID_SOCKET) continue;
    const std::lock_guard lock(mutex_);
    connections_.emplace_back([this, connection] { serve(connection); });
  }
}

void LoopbackHttpServer::setNetwork(std::chrono::milliseconds latency, std::uint64_t bytesPerSecond) {
  const std::lock_guard lock(mutex_);
  latency_ = latency;
  bytesPerSecond_ = bytesPerSecond;
}

Reply LoopbackHttpServer::replyTo(const ReceivedRequest& request) const {
  Responder responder;
  {
    const std::lock_guard lock(mutex_);
    const auto found = responders_.find(request.target);
    if (found != responders_.end()) responder = found->second;
  }
  return responder ? responder(request) : Reply::withBody(404, "not here");
}

void LoopbackHttpServer::serve(std::uintptr_t socketValue) {
  const SOCKET connection = asSocket(socketValue);
  // The head of the request, up to its blank line.
  std::string received;
  bool peerOpen = true;
  while (!stopping_ && received.find("\r\n\r\n") == std::string::npos && received.size() < kLargestHead) {
    if (!ready(connection, false)) continue;
    char buffer[4096];
    const int count = recv(connection, buffer, sizeof buffer, 0);
    if (count <= 0) {
      peerOpen = false;
      break;
    }
    received.append(buffer, static_cast<std::size_t>(count));
  }
  const std::size_t headEnd = received.find("\r\n\r\n");
  const std::optional<ReceivedRequest> request =
      headEnd == std::string::npos ? std::nullopt : parseHead(std::string_view(received).substr(0, headEnd + 2));
  if (request) {
    {
      const std::lock_guard lock(mutex_);
      requests_.push_back(*request);
    }
    requestRead_.notify_all();
    std::chrono::milliseconds latency;
    std::uint64_t bytesPerSecond;
    {
      const std::lock_guard lock(mutex_);
      latency = latency_;
      bytesPerSecond = bytesPerSecond_;
    }
    const auto answerAt = std::chrono::steady_clock::now() + latency;
    const Reply reply = replyTo(*request);
    while (!stopping_ && std::chrono::steady_clock::now() < answerAt) {
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
          answerAt - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
    }
    // With a rate, pieces of a fiftieth of a second's worth go out on a schedule.
    const std::size_t piece = bytesPerSecond == 0 ? 65536 : std::clamp<std::size_t>(bytesPerSecond / 50, 1, 65536);
    const auto sendingFrom = std::chrono::steady_clock::now();
    std::uint64_t sent = 0;
    std::string_view unsent = reply.bytes;
    while (!stopping_ && !unsent.empty()) {
      if (bytesPerSecond != 0) {
        const auto due = sendingFrom + std::chrono::microseconds(sent * 1'000'000 / bytesPerSecond);
        if (std::chrono::steady_clock::now() < due) {
          std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
              due - std::chrono::steady_clock::now(), std::chrono::milliseconds(20)));
          continue;
        }
      }
      if (!ready(connection, true)) continue;
      const int count = send(connection, unsent.data(), static_cast<int>(std::min(unsent.size(), piece)), 0);
      if (count <= 0) break;
      unsent.remove_prefix(static_cast<std::size_t>(count));
      sent += static_cast<std::uint64_t>(count);
    }
    // Held until the client closes its end or the server stops; whatever comes is dropped.
    while (reply.hold && peerOpen && !stopping_) {
      if (!ready(connection, false)) continue;
      char buffer[4096];
      peerOpen = recv(connection, buffer, sizeof buffer, 0) > 0;
    }
  }
  shutdown(connection, SD_SEND);
  closesocket(connection);
}

}  // namespace telvia::testing
