// The loopback HTTP test server: one accepting thread, one thread per connection.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/support/http_test_server_win.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace tarnvel::test {
namespace {

SOCKET AsSocket(std::uintptr_t s) { return static_cast<SOCKET>(s); }

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The value of a header line of the request head, "" when it is absent.
std::string HeaderValue(const std::string& head, const std::string& name) {
  const std::string lowerHead = Lower(head);
  const std::string wanted = "\r\n" + Lower(name) + ":";
  const std::size_t at = lowerHead.find(wanted);
  if (at == std::string::npos) return {};
  std::size_t begin = at + wanted.size();
  const std::size_t end = head.find("\r\n", begin);
  while (begin < end && head[begin] == ' ') ++begin;
  return head.substr(begin, end - begin);
}

bool SendAll(SOCKET s, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = send(s, bytes.data() + sent,
                       static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 20)), 0);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads one request: the head up to the blank line and a body of Content-Length bytes.
std::string ReadRequest(SOCKET s) {
  std::string data;
  char chunk[4096];
  std::size_t headEnd = std::string::npos;
  while (headEnd == std::string::npos) {
    const int n = recv(s, chunk, sizeof chunk, 0);
    if (n <= 0) return data;
    data.append(chunk, static_cast<std::size_t>(n));
    headEnd = data.find("\r\n\r\n");
  }
  const std::string length = HeaderValue(data.substr(0, headEnd + 2), "Content-Length");
  const std::size_t bodyLength = length.empty() ? 0 : std::stoul(length);
  while (data.size() < headEnd + 4 + bodyLength) {
    const int n = recv(s, chunk, sizeof chunk, 0);
    if (n <= 0) break;
    data.append(chunk, static_cast<std::size_t>(n));
  }
  return data;
}

std::string ReasonOf(int code) {
  switch (code) {
    case 200:
      return "OK";
    case 206:
      return "Partial Content";
    case 416:
      return "Requested Range Not Satisfiable";
    default:
      return "Status";
  }
}

std::string Response(int code, const std::string& reason, const std::string& body,
                     const std::vector<std::string>& headers) {
  std::string out = "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\n";
  out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  out += "Connection: close\r\n";
  for (const std::string& h : headers) out += h + "\r\n";
  return out + "\r\n" + body;
}

// Answers a request for a file of `body` as a server with byte ranges does.
std::string ResourceResponse(const std::string& request, const std::string& body, bool honourRange) {
  const std::size_t headEnd = request.find("\r\n\r\n");
  const std::string head = request.substr(0, headEnd == std::string::npos ? request.size() : headEnd + 2);
  const std::string range = honourRange ? HeaderValue(head, "Range") : std::string();
  const std::string size = std::to_string(body.size());
  if (range.rfind("bytes=", 0) != 0)
    return Response(200, "OK", body, {"Content-Type: application/octet-stream"});
  const std::string rangeText =
      range.substr(6, range.find(',') == std::string::npos ? std::string::npos : range.find(',') - 6);
  const std::size_t dash = rangeText.find('-');
  if (dash == std::string::npos) return Response(200, "OK", body, {});
  std::size_t first = 0;
  std::size_t last = body.empty() ? 0 : body.size() - 1;
  try {
    if (dash == 0) {  // the last n bytes
      const std::size_t n = std::stoull(rangeText.substr(1));
      first = n >= body.size() ? 0 : body.size() - n;
    } else {
      first = std::stoull(rangeText.substr(0, dash));
      if (dash + 1 < rangeText.size())
        last = std::min(last, static_cast<std::size_t>(std::stoull(rangeText.substr(dash + 1))));
    }
  } catch (const std::exception&) {
    return Response(200, "OK", body, {});
  }
  if (first >= body.size() || first > last) {
    return Response(416, ReasonOf(416), {}, {"Content-Range: bytes */" + size});
  }
  return Response(206, ReasonOf(206), body.substr(first, last - first + 1),
                  {"Content-Type: application/octet-stream", "Content-Range: bytes " + std::to_string(first) +
                                                                 "-" + std::to_string(last) + "/" + size});
}

}  // namespace

HttpReply HttpReply::Raw(std::string bytes) {
  HttpReply r;
  r.kind = Kind::Raw;
  r.bytes = std::move(bytes);
  return r;
}

HttpReply HttpReply::Status(int code, std::string reason, std::string body,
                            std::vector<std::string> headers) {
  return Raw(Response(code, reason, body, headers));
}

HttpReply HttpReply::Resource(const std::string& body, bool honourRange) {
  HttpReply r;
  r.kind = Kind::Resource;
  r.bytes = body;
  r.honourRange = honourRange;
  return r;
}

HttpReply HttpReply::Resource(const ByteString& body, bool honourRange) {
  return Resource(std::string(body.begin(), body.end()), honourRange);
}

HttpReply HttpReply::Stall() {
  HttpReply r;
  r.kind = Kind::Stall;
  return r;
}

HttpReply HttpReply::Drop(std::string partial, std::size_t partialBytes) {
  HttpReply r;
  r.kind = Kind::Drop;
  r.bytes = std::move(partial);
  r.dropAfter = std::min(partialBytes, r.bytes.size());
  return r;
}

HttpTestServer::HttpTestServer() : listener_(static_cast<std::uintptr_t>(INVALID_SOCKET)) {
  default_ = HttpReply::Status(404, "Not Found", "Not Found");
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("HttpTestServer: WSAStartup failed");
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) throw std::runtime_error("HttpTestServer: no socket");
  listener_ = static_cast<std::uintptr_t>(s);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // the system picks a free port
  int length = sizeof address;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, SOMAXCONN) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(s);
    WSACleanup();
    throw std::runtime_error("HttpTestServer: cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    // Unblocks workers waiting in recv; each closes its own socket afterwards.
    for (std::uintptr_t c : open_) shutdown(AsSocket(c), SD_BOTH);
  }
  changed_.notify_all();
  closesocket(AsSocket(listener_));
  acceptor_.join();
  for (std::thread& t : workers_) t.join();
  WSACleanup();
}

std::string HttpTestServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpTestServer::Script(HttpReply reply) {
  std::lock_guard lock(mutex_);
  script_.push_back(std::move(reply));
}

void HttpTestServer::SetDefault(HttpReply reply) {
  std::lock_guard lock(mutex_);
  default_ = std::move(reply);
}

void HttpTestServer::ReleaseStalled() {
  {
    std::lock_guard lock(mutex_);
    ++stallGeneration_;
  }
  changed_.notify_all();
}

std::vector<std::string> HttpTestServer::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::string HttpTestServer::Request(std::size_t index) const {
  std::lock_guard lock(mutex_);
  return index < requests_.size() ? requests_[index] : std::string();
}

std::size_t HttpTestServer::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

bool HttpTestServer::WaitForRequests(std::size_t count, int limitMilliseconds) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(limitMilliseconds),
                           [&] { return requests_.size() >= count; });
}

HttpReply HttpTestServer::NextReply() {
  std::lock_guard lock(mutex_);
  if (script_.empty()) return default_;
  HttpReply r = std::move(script_.front());
  script_.pop_front();
  return r;
}

void HttpTestServer::AcceptLoop() {
  for (;;) {
    const SOCKET c = accept(AsSocket(listener_), nullptr, nullptr);
    if (c == INVALID_SOCKET) return;  // the listener was closed
    std::lock_guard lock(mutex_);
    if (stopping_) {
      closesocket(c);
      return;
    }
    open_.push_back(static_cast<std::uintptr_t>(c));
    workers_.emplace_back([this, c] { Serve(static_cast<std::uintptr_t>(c)); });
  }
}

void HttpTestServer::Serve(std::uintptr_t connection) {
  const SOCKET s = AsSocket(connection);
  const std::string request = ReadRequest(s);
  bool reset = false;
  if (!request.empty()) {
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    changed_.notify_all();
    const HttpReply reply = NextReply();
    switch (reply.kind) {
      case HttpReply::Kind::Raw:
        SendAll(s, reply.bytes);
        break;
      case HttpReply::Kind::Resource:
        SendAll(s, ResourceResponse(request, reply.bytes, reply.honourRange));
        break;
      case HttpReply::Kind::Stall: {
        std::unique_lock lock(mutex_);
        const std::uint64_t generation = stallGeneration_;
        changed_.wait(lock, [&] { return stopping_ || stallGeneration_ != generation; });
        reset = true;
        break;
      }
      case HttpReply::Kind::Drop:
        SendAll(s, reply.bytes.substr(0, reply.dropAfter));
        reset = true;
        break;
    }
  }
  {
    std::lock_guard lock(mutex_);
    open_.erase(std::find(open_.begin(), open_.end(), connection));
  }
  if (reset) {
    const linger hard{1, 0};  // close with a reset, as a dropped connection does
    setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
  } else {
    shutdown(s, SD_SEND);
  }
  closesocket(s);
}

}  // namespace tarnvel::test
