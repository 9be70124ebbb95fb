// The client socket on WinSock. WSAAsyncSelect posts each socket event to a message-only
// window of the socket's own, created on the connecting thread, so the callbacks run inside
// that thread's message loop like any other window event.
#include <winsock2.h>
#include <ws2tcpip.h>
// after the socket headers, so that the old winsock.h stays out
#include <windows.h>

#include "runtime/socket.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

constexpr UINT kSocketEvent = WM_APP + 0x51;
constexpr wchar_t kWindowClass[] = L"TarnvelClientSocket";

// WinSock stays started for the life of the process once any socket is used.
bool StartWinSock() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  });
  return started;
}

std::string ErrorText(const char* what, int code) {
  return std::string(what) + " (WinSock error " + std::to_string(code) + ")";
}

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool RegisterWindowClass() {
  static std::once_flag once;
  static bool registered = false;
  std::call_once(once, [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SocketWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  });
  return registered;
}

}  // namespace

struct ClientSocket::Impl {
  SOCKET socket = INVALID_SOCKET;
  HWND window = nullptr;
  std::function<void()> onData;
  std::function<void()> onClose;
  ByteString latest;
  std::string lastError;
  int connectTimeoutMs = 10000;

  ~Impl() {
    Close();
    if (window) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      DestroyWindow(window);
    }
  }

  void Close() {
    if (socket == INVALID_SOCKET) return;
    WSAAsyncSelect(socket, window, 0, 0);  // no further events for this socket
    closesocket(socket);
    socket = INVALID_SOCKET;
  }

  bool EnsureWindow() {
    if (window && GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId()) return true;
    if (window) DestroyWindow(window);
    window = nullptr;
    if (!RegisterWindowClass()) {
      lastError = "the socket's window class could not be registered";
      return false;
    }
    window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    if (!window) {
      lastError = "the socket's window could not be created";
      return false;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return true;
  }

  // Waits until the socket can be written or has failed; false on failure or time-out.
  bool WaitWritable(SOCKET s) const {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval limit{connectTimeoutMs / 1000, (connectTimeoutMs % 1000) * 1000};
    return select(0, nullptr, &writable, &failed, &limit) > 0 && FD_ISSET(s, &writable);
  }

  bool ConnectTo(const addrinfoW& address) {
    const SOCKET s = ::socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) {
      lastError = ErrorText("no socket", WSAGetLastError());
      return false;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    bool ok = ::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0;
    if (!ok && WSAGetLastError() == WSAEWOULDBLOCK && WaitWritable(s)) {
      int error = 0;
      int size = sizeof error;
      ok = getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 && error == 0;
    }
    if (ok && WSAAsyncSelect(s, window, kSocketEvent, FD_READ | FD_CLOSE) != 0) ok = false;
    if (!ok) {
      lastError = ErrorText("connection failed", WSAGetLastError());
      closesocket(s);
      return false;
    }
    socket = s;
    return true;
  }

  // Everything the socket holds now; false when nothing was there.
  bool Drain(ByteString& into) {
    char chunk[8192];
    for (;;) {
      const int n = recv(socket, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      into.insert(into.end(), chunk, chunk + n);
    }
    return !into.empty();
  }

  void Run(const std::function<void()>& handler) {
    if (!handler) return;
    try {
      handler();
    } catch (const std::exception& e) {
      lastError = std::string("a socket event handler failed: ") + e.what();
    } catch (...) {
      lastError = "a socket event handler failed";
    }
  }

  void OnEvent(SOCKET s, int event) {
    if (s != socket || socket == INVALID_SOCKET) return;  // an event of an earlier connection
    ByteString arrived;
    if (Drain(arrived)) {
      latest = std::move(arrived);
      Run(onData);
    }
    // The handler may have closed the socket or connected anew.
    if (event == FD_CLOSE && s == socket) {
      Close();
      Run(onClose);
    }
  }
};

namespace {

LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSocketEvent) {
    auto* impl = reinterpret_cast<ClientSocket::Impl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (impl) impl->OnEvent(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam));
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

ClientSocket::ClientSocket() : impl_(std::make_unique<Impl>()) {}
ClientSocket::~ClientSocket() = default;
ClientSocket::ClientSocket(ClientSocket&& other) noexcept
    : impl_(std::exchange(other.impl_, std::make_unique<Impl>())) {}
ClientSocket& ClientSocket::operator=(ClientSocket&& other) noexcept {
  if (this != &other) impl_ = std::exchange(other.impl_, std::make_unique<Impl>());
  return *this;
}

void ClientSocket::OnData(std::function<void()> handler) { impl_->onData = std::move(handler); }
void ClientSocket::OnClose(std::function<void()> handler) { impl_->onClose = std::move(handler); }
void ClientSocket::SetConnectTimeout(int milliseconds) {
  impl_->connectTimeoutMs = milliseconds > 0 ? milliseconds : 1;
}
bool ClientSocket::IsConnected() const { return impl_->socket != INVALID_SOCKET; }
const std::string& ClientSocket::LastError() const { return impl_->lastError; }

bool SocketConnect(ClientSocket& socket, std::string_view host, int port) {
  ClientSocket::Impl& s = socket.State();
  s.Close();
  s.lastError.clear();
  if (!StartWinSock()) {
    s.lastError = "WinSock could not be started";
    return false;
  }
  if (!s.EnsureWindow()) return false;
  const std::wstring service = std::to_wstring(port <= 0 ? 1 : port);
  addrinfoW hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfoW* found = nullptr;
  const int status = GetAddrInfoW(Utf8ToWide(host).c_str(), service.c_str(), &hints, &found);
  if (status != 0 || !found) {
    s.lastError = ErrorText("the host name could not be resolved", status);
    return false;
  }
  bool connected = false;
  for (const addrinfoW* a = found; a && !connected; a = a->ai_next) connected = s.ConnectTo(*a);
  FreeAddrInfoW(found);
  if (connected) s.lastError.clear();
  return connected;
}

bool SocketSend(ClientSocket& socket, std::string_view text) {
  ClientSocket::Impl& s = socket.State();
  if (s.socket == INVALID_SOCKET) {
    s.lastError = "not connected";
    return false;
  }
  std::size_t sent = 0;
  while (sent < text.size()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(text.size() - sent, 1 << 20));
    const int n = send(s.socket, text.data() + sent, chunk, 0);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (WSAGetLastError() != WSAEWOULDBLOCK || !s.WaitWritable(s.socket)) {
      s.lastError = ErrorText("sending failed", WSAGetLastError());
      return false;
    }
  }
  return true;
}

bool SocketSend(ClientSocket& socket, const ByteString& bytes) {
  return SocketSend(socket, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

ByteString SocketData(const ClientSocket& socket) { return socket.State().latest; }

void SocketClose(ClientSocket& socket) { socket.State().Close(); }

}  // namespace tarnvel
