// HttpRequest on WinINet (wide calls). The caller and its worker share one context: the request
// block (a memory file, the only carrier of parameters and result) and the worker's open
// Internet handles, which the caller closes at the time-out to make the worker's blocking calls
// return. Whoever lets go of the context last releases the block, so a worker that outlives its
// caller's wait still has somewhere to write.
#include <windows.h>
#include <wininet.h>

#include "update/http_request.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "runtime/encoding.h"
#include "runtime/text.h"
#include "runtime/window.h"
#include "update/http_text.h"
#include "update/url.h"

namespace tarnvel {
namespace {

constexpr char kAsk[] = "MissWho";
constexpr char kAnswer[] = "MissWho_OK";
constexpr char kFailure[] = "MissWho_FAIL";
constexpr wchar_t kUserAgent[] = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr int kDefaultTimeoutSeconds = 90;
constexpr DWORD kReadChunk = 512;
// After the time-out, how long the caller waits (still dispatching) for the worker to notice its
// closed handles before leaving it to end alone.
constexpr ULONGLONG kCancelGraceMilliseconds = 3000;

std::atomic<int> workersRunning{0};

struct RequestContext {
  FileNumber block = 0;
  DWORD timeoutMilliseconds = 0;
  std::mutex mutex;
  bool cancelled = false;
  std::vector<HINTERNET> handles;  // root, connection, request: closed innermost first

  ~RequestContext() {
    CloseAll();
    if (block != 0) CloseFile(block);
  }

  // Takes a freshly opened handle; false (and the handle closed) if the call was given up.
  bool Adopt(HINTERNET handle) {
    std::lock_guard lock(mutex);
    if (cancelled) {
      InternetCloseHandle(handle);
      return false;
    }
    handles.push_back(handle);
    return true;
  }

  void CloseAll() {
    std::lock_guard lock(mutex);
    for (auto it = handles.rbegin(); it != handles.rend(); ++it) InternetCloseHandle(*it);
    handles.clear();
  }

  void Cancel() {
    {
      std::lock_guard lock(mutex);
      cancelled = true;
    }
    CloseAll();
  }

  bool Cancelled() {
    std::lock_guard lock(mutex);
    return cancelled;
  }
};

std::string WinInetError(DWORD code, const std::string& what) {
  return what + " (WinINet error " + std::to_string(code) + ")";
}

bool HasZeroByte(const std::string& text) { return text.find('\0') != std::string::npos; }

struct Request {
  std::string url, method, proxy, user, password, extraHeaders, postData;
};

struct Answer {
  std::string headers;
  ByteString body;
};

// The raw header block, however long: its size is asked first.
bool QueryRawHeaders(HINTERNET request, std::string& headers) {
  DWORD bytes = 0;
  if (!HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &bytes, nullptr) &&
      GetLastError() != ERROR_INSUFFICIENT_BUFFER)
    return false;
  std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (!HttpQueryInfoW(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &bytes, nullptr)) return false;
  buffer.resize(bytes / sizeof(wchar_t));
  headers = WideToUtf8(buffer);
  return true;
}

// Each handle gets the call's time-out for its own waits (the client does not hand a root's
// setting down to every request). Closing the handles at the time-out does not interrupt a
// receive that is already waiting on every client (one keeps the handle alive until the call
// returns); this limit makes that receive end too.
void SetTimeouts(HINTERNET handle, DWORD milliseconds) {
  for (DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
    InternetSetOptionW(handle, option, &milliseconds, sizeof milliseconds);
}

// Performs the request; on failure returns false with the reason in `error`.
bool Perform(RequestContext& context, const Request& r, Answer& answer, std::string& error) {
  const HttpVerb verb = HttpVerbOf(r.method);
  if (verb == HttpVerb::Refused) {
    error = "the method \"" + r.method + "\" is neither GET nor POST";
    return false;
  }
  const std::string host = UrlHost(r.url);
  const std::string path = UrlPath(r.url);
  const std::int32_t port = UrlPort(r.url);
  const bool secure = UrlIsSecure(r.url);
  if (host.empty()) {
    error = "the URL \"" + r.url + "\" names no host";
    return false;
  }
  if (port < 0 || port > 65535) {
    error = "the port " + std::to_string(port) + " of \"" + r.url + "\" is out of range";
    return false;
  }
  const std::string where = host + ":" + std::to_string(port);

  const bool viaProxy = !RemoveSpaces(r.proxy).empty();
  const std::wstring proxyArgument = viaProxy ? Utf8ToWide("http=" + TrimBoth(r.proxy)) : std::wstring();
  HINTERNET root = InternetOpenW(kUserAgent, viaProxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
                                 viaProxy ? proxyArgument.c_str() : nullptr, viaProxy ? L"" : nullptr, 0);
  if (!root) {
    const DWORD code = GetLastError();
    error = WinInetError(code, "the Internet client could not be opened");
    return false;
  }
  if (!context.Adopt(root)) return false;
  SetTimeouts(root, context.timeoutMilliseconds);

  const bool withCredentials = !RemoveSpaces(r.user).empty() || !RemoveSpaces(r.password).empty();
  const std::wstring user = Utf8ToWide(r.user), password = Utf8ToWide(r.password);
  HINTERNET connection =
      InternetConnectW(root, Utf8ToWide(host).c_str(), static_cast<INTERNET_PORT>(port),
                       withCredentials && !RemoveSpaces(r.user).empty() ? user.c_str() : nullptr,
                       withCredentials && !RemoveSpaces(r.password).empty() ? password.c_str() : nullptr,
                       INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection) {
    const DWORD code = GetLastError();
    error = WinInetError(code, "no connection to " + where);
    return false;
  }
  if (!context.Adopt(connection)) return false;
  SetTimeouts(connection, context.timeoutMilliseconds);

  const std::wstring method = Utf8ToWide(r.method);
  DWORD flags = INTERNET_FLAG_RELOAD;
  if (secure) flags |= INTERNET_FLAG_SECURE;
  HINTERNET request = HttpOpenRequestW(connection, method.empty() ? nullptr : method.c_str(),
                                       Utf8ToWide(path).c_str(), L"HTTP/1.1", nullptr, nullptr, flags, 0);
  if (!request) {
    const DWORD code = GetLastError();
    error = WinInetError(code, "the request to " + where + " could not be opened");
    return false;
  }
  if (!context.Adopt(request)) return false;
  SetTimeouts(request, context.timeoutMilliseconds);

  const std::wstring headers = Utf8ToWide(RequestHeaders(r.extraHeaders, r.url, verb, r.postData.size()));
  const bool post = verb == HttpVerb::Post && !r.postData.empty();
  if (!HttpSendRequestW(request, headers.c_str(), static_cast<DWORD>(headers.size()),
                        post ? const_cast<char*>(r.postData.data()) : nullptr,
                        post ? static_cast<DWORD>(r.postData.size()) : 0)) {
    const DWORD code = GetLastError();
    error = WinInetError(code, "the request to " + where + " got no answer");
    return false;
  }

  std::uint8_t chunk[kReadChunk];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request, chunk, kReadChunk, &read)) {
      const DWORD code = GetLastError();
      error = WinInetError(code, "the answer from " + where + " broke off after " +
                                     std::to_string(answer.body.size()) + " bytes");
      return false;
    }
    if (read == 0) break;
    answer.body.insert(answer.body.end(), chunk, chunk + read);
  }
  if (!QueryRawHeaders(request, answer.headers)) {
    const DWORD code = GetLastError();
    error = WinInetError(code, "the headers of the answer from " + where + " could not be read");
    return false;
  }
  // The Internet client reports a connection that closes early as the end of the body; the
  // length the server announced tells a cut-off answer from a whole one.
  if (const auto announced = ContentLengthOf(answer.headers); announced && *announced != answer.body.size()) {
    error = "the answer from " + where + " broke off after " + std::to_string(answer.body.size()) + " of " +
            std::to_string(*announced) + " bytes";
    return false;
  }
  context.CloseAll();

  if (!context.Cancelled()) {
    const std::wstring cookieUrl = Utf8ToWide((secure ? "https://" : "http://") + host);
    for (const ResponseCookie& cookie : SetCookieLines(answer.headers))
      InternetSetCookieW(cookieUrl.c_str(), Utf8ToWide(cookie.name).c_str(),
                         Utf8ToWide(cookie.value).c_str());
  }
  return true;
}

bool RunWorker(RequestContext& context) {
  const FileNumber block = context.block;
  if (block == 0 || !SeekStart(block)) return false;
  std::string marker;
  if (!ReadData(block, marker) || marker != kAsk) return false;
  Request r;
  const bool complete =
      ReadData(block, r.url, r.method, r.proxy, r.user, r.password, r.extraHeaders, r.postData);
  SeekStart(block);
  DeleteData(block, FileLength(block));

  Answer answer;
  std::string error = "the request block is incomplete";
  const bool ok = complete && Perform(context, r, answer, error);
  context.CloseAll();
  if (context.Cancelled()) return false;  // nobody reads the block any more
  SeekStart(block);
  if (!ok) {
    WriteData(block, kFailure, error);
    return false;
  }
  return WriteData(block, kAnswer, answer.headers, answer.body);
}

DWORD WINAPI WorkerThread(void* parameter) {
  std::unique_ptr<std::shared_ptr<RequestContext>> context(
      static_cast<std::shared_ptr<RequestContext>*>(parameter));
  RunWorker(**context);
  context.reset();
  --workersRunning;
  return 0;
}

// Waits for the thread until the deadline, dispatching window messages meanwhile. Once a quit
// request is queued it only waits, so the quit stays for the message loop. True if the thread
// ended.
bool WaitDispatching(HANDLE thread, ULONGLONG deadline) {
  bool quitQueued = false;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    const DWORD remaining =
        now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
    const DWORD woke = quitQueued ? WaitForSingleObject(thread, remaining)
                                  : MsgWaitForMultipleObjects(1, &thread, FALSE, remaining, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) return true;
    if (woke != WAIT_OBJECT_0 + 1) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    ProcessEvents();
    MSG msg;
    quitQueued = PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
  }
}

ByteString Fail(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return {};
}

}  // namespace

int HttpWorkersRunning() { return workersRunning.load(); }

bool HttpRequestWorker(FileNumber block) {
  RequestContext context;
  context.block = block;
  context.timeoutMilliseconds = kDefaultTimeoutSeconds * 1000;
  const bool ok = RunWorker(context);
  context.block = 0;  // the caller's
  return ok;
}

ByteString HttpRequest(const std::string& url, const std::string& method, const std::string& proxy,
                       const std::string& user, const std::string& password, const std::string& extraHeaders,
                       const std::string& postData, int timeoutSeconds, std::string* responseHeaders,
                       std::string* error) {
  if (responseHeaders) responseHeaders->clear();
  if (error) error->clear();
  for (const std::string* text : {&url, &method, &proxy, &user, &password, &extraHeaders, &postData}) {
    if (HasZeroByte(*text)) return Fail(error, "a request text holds a zero byte");
  }
  const int seconds = timeoutSeconds > 0 ? timeoutSeconds : kDefaultTimeoutSeconds;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;

  auto context = std::make_shared<RequestContext>();
  context->block = FileOpenMemory();
  context->timeoutMilliseconds =
      static_cast<DWORD>(std::min<ULONGLONG>(static_cast<ULONGLONG>(seconds) * 1000, INFINITE - 1));
  if (context->block == 0 ||
      !WriteData(context->block, kAsk, url, method, proxy, user, password, extraHeaders, postData))
    return Fail(error, "the request block could not be written");

  auto* parameter = new std::shared_ptr<RequestContext>(context);
  ++workersRunning;
  HANDLE thread = CreateThread(nullptr, 0, WorkerThread, parameter, 0, nullptr);
  if (!thread) {
    --workersRunning;
    delete parameter;
    return Fail(error,
                "the request thread could not be started (error " + std::to_string(GetLastError()) + ")");
  }

  const bool ended = WaitDispatching(thread, deadline);
  if (!ended) {
    context->Cancel();
    WaitDispatching(thread, GetTickCount64() + kCancelGraceMilliseconds);
    CloseHandle(thread);
    return Fail(
        error, "no complete answer from " + UrlHost(url, true) + " within " + std::to_string(seconds) + " s");
  }
  CloseHandle(thread);

  const FileNumber block = context->block;
  std::string marker;
  SeekStart(block);
  if (!ReadData(block, marker)) return Fail(error, "the request gave no result");
  if (marker == kFailure) {
    std::string reason;
    ReadData(block, reason);
    return Fail(error, reason.empty() ? "the request failed" : reason);
  }
  std::string headers;
  ByteString body;
  if (marker != kAnswer || !ReadData(block, headers, body)) return Fail(error, "the request gave no result");
  if (responseHeaders) *responseHeaders = std::move(headers);
  return body;
}

}  // namespace tarnvel
