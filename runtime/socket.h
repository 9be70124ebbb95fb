// A client TCP socket whose events arrive on the thread that connected it, as window
// messages: the socket owns a hidden message-only window and reports each arrival of data and
// the closing of the connection to callbacks run from that thread's message loop. Nothing
// arrives while the thread does not dispatch messages.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/values.h"

namespace tarnvel {

class ClientSocket {
 public:
  ClientSocket();
  ~ClientSocket();  // closes the connection and its window; no callback runs afterwards
  ClientSocket(ClientSocket&&) noexcept;
  ClientSocket& operator=(ClientSocket&&) noexcept;
  ClientSocket(const ClientSocket&) = delete;
  ClientSocket& operator=(const ClientSocket&) = delete;

  // Run on the connecting thread for each arrival (read the bytes with SocketData) and once
  // when the peer or the network ends the connection (not for SocketClose). A callback may
  // call SocketClose, SocketSend or SocketConnect on this socket, but must not destroy it.
  // An exception a callback throws is caught there and kept as the LastError text.
  void OnData(std::function<void()> handler);
  void OnClose(std::function<void()> handler);

  // Time a SocketConnect may take before it gives up; 10 seconds unless set.
  void SetConnectTimeout(int milliseconds);

  bool IsConnected() const;
  // What went wrong last (resolution, connection, sending, a failing callback), or "".
  const std::string& LastError() const;

  struct Impl;
  // The state behind the socket; its address stays put when the socket is moved.
  Impl& State() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

// Ends any previous connection and connects to host (a name or a dotted address) on port;
// a port of 0 or less counts as 1. True when connected.
bool SocketConnect(ClientSocket& socket, std::string_view host, int port);

// Sends all of the bytes (a text's bytes as they are); false when not connected or failed.
bool SocketSend(ClientSocket& socket, std::string_view text);
bool SocketSend(ClientSocket& socket, const ByteString& bytes);

// The bytes of the latest arrival.
ByteString SocketData(const ClientSocket& socket);

// Ends the connection, if any; pending events of it are dropped.
void SocketClose(ClientSocket& socket);

}  // namespace tarnvel
