// The client socket against the loopback test server, with its events taken from a real
// message loop on the test's thread.
#include <windows.h>

#include "runtime/socket.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/http_test_server_win.h"

namespace tarnvel {
namespace {

using test::HttpReply;
using test::HttpTestServer;

// Dispatches this thread's messages until done() holds; false if that takes longer than the
// guard (which only keeps a broken test from hanging).
bool PumpUntil(const std::function<bool()>& done, DWORD guardMs = 20000) {
  const ULONGLONG giveUp = GetTickCount64() + guardMs;
  while (!done()) {
    const ULONGLONG now = GetTickCount64();
    if (now >= giveUp) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(giveUp - now), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return true;
}

// Dispatches everything already queued, proven by a message posted behind it.
void PumpQueued() {
  const UINT marker = RegisterWindowMessageW(L"TarnvelTestQueueMarker");
  PostThreadMessageW(GetCurrentThreadId(), marker, 0, 0);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.hwnd == nullptr && msg.message == marker) return;
    DispatchMessageW(&msg);
  }
}

std::string AsText(const ByteString& b) { return std::string(b.begin(), b.end()); }

struct Recorder {
  std::string received;
  int arrivals = 0;
  int closes = 0;
  void Attach(ClientSocket& s) {
    s.OnData([this, &s] {
      received += AsText(SocketData(s));
      ++arrivals;
    });
    s.OnClose([this] { ++closes; });
  }
};

TEST(ClientSocket, ProbeRequestGoesOutByteForByteAndTheAnswerAndCloseArrive) {
  HttpTestServer server;
  const std::string answer = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nhello";
  server.Script(HttpReply::Raw(answer));
  ClientSocket socket;
  Recorder rec;
  rec.Attach(socket);
  ASSERT_TRUE(SocketConnect(socket, "127.0.0.1", server.Port())) << socket.LastError();
  EXPECT_TRUE(socket.IsConnected());
  const std::string probe =
      "GET http://127.0.0.1/NEW/Tarnvel.rar HTTP/1.0\r\nAccept: *.*, */*\r\n"
      "User-Agent: Pravix Software Downloader\r\nReferer: 127.0.0.1\r\n\r\n";
  ASSERT_TRUE(SocketSend(socket, probe));
  ASSERT_TRUE(PumpUntil([&] { return rec.closes > 0; }));
  EXPECT_EQ(rec.received, answer);
  EXPECT_GE(rec.arrivals, 1);
  EXPECT_EQ(rec.closes, 1);
  EXPECT_FALSE(socket.IsConnected());
  EXPECT_EQ(server.Request(0), probe);
  EXPECT_FALSE(SocketSend(socket, "late"));  // the peer closed the connection
}

TEST(ClientSocket, ClosingInsideTheArrivalHandlerStopsFurtherEvents) {
  HttpTestServer server;
  server.Script(HttpReply::Raw("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"));
  ClientSocket socket;
  int arrivals = 0;
  int closes = 0;
  socket.OnData([&] {
    ++arrivals;
    SocketClose(socket);  // acts on the first arrival, as the update probe does
  });
  socket.OnClose([&] { ++closes; });
  ASSERT_TRUE(SocketConnect(socket, "127.0.0.1", server.Port()));
  ASSERT_TRUE(SocketSend(socket, ByteString{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T', 'T', 'P', '/', '1', '.',
                                            '0', '\r', '\n', '\r', '\n'}));
  ASSERT_TRUE(PumpUntil([&] { return arrivals > 0; }));
  PumpQueued();
  EXPECT_EQ(arrivals, 1);
  EXPECT_EQ(closes, 0);
  EXPECT_FALSE(socket.IsConnected());
}

TEST(ClientSocket, ADroppedConnectionEndsWithTheCloseEvent) {
  HttpTestServer server;
  server.Script(HttpReply::Drop("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\npartial", 10));
  ClientSocket socket;
  Recorder rec;
  rec.Attach(socket);
  ASSERT_TRUE(SocketConnect(socket, "127.0.0.1", server.Port()));
  ASSERT_TRUE(SocketSend(socket, "GET / HTTP/1.0\r\n\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return rec.closes > 0; }));
  EXPECT_EQ(rec.closes, 1);
  EXPECT_FALSE(socket.IsConnected());
  // A reset may discard what was sent before it; nothing beyond it ever arrives.
  EXPECT_EQ(std::string("HTTP/1.0 2").rfind(rec.received, 0), 0u) << rec.received;
}

TEST(ClientSocket, ALargeAnswerArrivesWholeOverSeveralEvents) {
  HttpTestServer server;
  std::string body;
  for (int i = 0; body.size() < 3 * 1024 * 1024; ++i) body += std::to_string(i) + ",";
  server.Script(HttpReply::Raw(body));
  ClientSocket socket;
  Recorder rec;
  rec.Attach(socket);
  ASSERT_TRUE(SocketConnect(socket, "127.0.0.1", server.Port()));
  ASSERT_TRUE(SocketSend(socket, "GET / HTTP/1.0\r\n\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return rec.closes > 0; }));
  EXPECT_EQ(rec.received.size(), body.size());
  EXPECT_TRUE(rec.received == body);
  // SocketData holds the latest arrival only.
  EXPECT_LE(SocketData(socket).size(), body.size());
}

TEST(ClientSocket, HostNamesResolveAndAFailedConnectionSaysWhy) {
  HttpTestServer server;
  server.Script(HttpReply::Raw("x"));
  ClientSocket socket;
  Recorder rec;
  rec.Attach(socket);
  ASSERT_TRUE(SocketConnect(socket, "localhost", server.Port())) << socket.LastError();
  ASSERT_TRUE(SocketSend(socket, "GET / HTTP/1.0\r\n\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return rec.closes > 0; }));
  EXPECT_EQ(rec.received, "x");

  // A port nobody listens on: take one from the system, then free it.
  int freePort = 0;
  {
    HttpTestServer gone;
    freePort = gone.Port();
  }
  ClientSocket refused;
  EXPECT_FALSE(SocketConnect(refused, "127.0.0.1", freePort));
  EXPECT_FALSE(refused.IsConnected());
  EXPECT_FALSE(refused.LastError().empty());
  EXPECT_FALSE(SocketSend(refused, "x"));
}

TEST(ClientSocket, AMovedSocketKeepsItsConnectionAndHandlers) {
  HttpTestServer server;
  server.Script(HttpReply::Raw("moved"));
  ClientSocket first;
  std::string got;
  int closes = 0;
  ClientSocket* live = &first;
  first.OnData([&] { got += AsText(SocketData(*live)); });
  first.OnClose([&] { ++closes; });
  ASSERT_TRUE(SocketConnect(first, "127.0.0.1", server.Port()));
  ClientSocket second = std::move(first);
  live = &second;
  EXPECT_FALSE(first.IsConnected());
  ASSERT_TRUE(SocketSend(second, "GET / HTTP/1.0\r\n\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return closes > 0; }));
  EXPECT_EQ(got, "moved");
}

}  // namespace
}  // namespace tarnvel
