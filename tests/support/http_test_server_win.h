// An HTTP server for tests, in the test's own process: WinSock on 127.0.0.1, on a port the
// system picks. Each request gets the next scripted reply (or the default reply once the
// script is used up), and the raw bytes of every request are kept for the test to inspect.
//
//   HttpTestServer server;
//   server.Script(HttpReply::Resource(body));           // answers Range like a file server
//   server.Script(HttpReply::Raw("HTTP/1.0 200 OK\r\n\r\nhi"));
//   ... request server.Url("/NEW/Tarnvel.rar") ...
//   EXPECT_NE(server.Request(0).find("Range: bytes=0-"), std::string::npos);
//
// Connections are served one thread each, so a stalled reply does not hold up the others.
// Every connection is closed after its reply (replies carry "Connection: close").
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/values.h"

namespace tarnvel::test {

struct HttpReply {
  enum class Kind { Raw, Resource, Stall, Drop };
  Kind kind = Kind::Raw;
  std::string bytes;          // Raw: sent exactly, then the connection is closed
  bool honourRange = true;    // Resource: false answers every request 200 with the whole body
  std::size_t dropAfter = 0;  // Drop: bytes of `bytes` sent before the connection is reset

  // Exactly these bytes, then close.
  static HttpReply Raw(std::string bytes);
  // A complete response: status line, Content-Length, "Connection: close", the extra header
  // lines given (without line ends), then the body.
  static HttpReply Status(int code, std::string reason, std::string body = {},
                          std::vector<std::string> headers = {});
  // A file: no Range → 200 with the whole body; "Range: bytes=a-b" or "bytes=a-" → 206 with
  // "Content-Range: bytes a-b/size" (b clamped to the end); a range starting at or past the
  // end → 416 with "Content-Range: bytes */size". With honourRange false: always 200.
  static HttpReply Resource(const ByteString& body, bool honourRange = true);
  static HttpReply Resource(const std::string& body, bool honourRange = true);
  // Reads the request and never answers; the connection stays open until the server is
  // destroyed or ReleaseStalled is called (then it is closed without an answer).
  static HttpReply Stall();
  // Reads the request, sends the first `partialBytes` bytes of `partial` and resets the
  // connection.
  static HttpReply Drop(std::string partial = {}, std::size_t partialBytes = 0);
};

class HttpTestServer {
 public:
  HttpTestServer();  // listening when constructed; throws std::runtime_error if it cannot
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" followed by path (which should start with "/").
  std::string Url(const std::string& path = "/") const;

  // Appends a reply for the next request not yet answered by the script.
  void Script(HttpReply reply);
  // The reply once the script is used up; a 404 "Not Found" unless set.
  void SetDefault(HttpReply reply);

  // Closes every stalled connection.
  void ReleaseStalled();

  // Raw bytes of the requests received so far (head and body), in order of arrival.
  std::vector<std::string> Requests() const;
  std::string Request(std::size_t index) const;  // "" if there is no such request
  std::size_t RequestCount() const;
  // Waits until count requests have arrived; false if that does not happen within the limit
  // (a guard against a hung test, not a measure).
  bool WaitForRequests(std::size_t count, int limitMilliseconds = 20000) const;

 private:
  void AcceptLoop();
  void Serve(std::uintptr_t connection);
  HttpReply NextReply();

  std::uintptr_t listener_;
  int port_ = 0;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::deque<HttpReply> script_;
  HttpReply default_;
  std::vector<std::string> requests_;
  std::vector<std::uintptr_t> open_;  // connections being served
  bool stopping_ = false;
  std::uint64_t stallGeneration_ = 0;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

}  // namespace tarnvel::test
