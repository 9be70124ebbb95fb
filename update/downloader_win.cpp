// The downloader on the system's HTTP request object ("WinHttp.WinHttpRequest.5.1") through the
// automation layer: one asynchronous GET per block, polled while the calling thread's window
// messages are dispatched.
#include <windows.h>

#include "update/downloader.h"

#include <span>
#include <utility>

#include "runtime/automation.h"
#include "runtime/datetime.h"
#include "runtime/files.h"
#include "runtime/openfile.h"
#include "runtime/window.h"
#include "update/download_block.h"

namespace tarnvel {
namespace {

constexpr const char* kHttpClass = "WinHttp.WinHttpRequest.5.1";
constexpr int kDefaultBlockSize = 10240;
// How long one look at the request may wait for its answer, in seconds.
constexpr int kLookSeconds = 1;
// FileOpen: read and write, created when missing, contents kept; nobody else may open it.
constexpr int kReadWriteKeep = 6;
constexpr int kExclusive = 4;

enum class WaitResult { Answered, TimedOut, Aborted, Failed };

// The downloader's fields (Downloader::State is this, under the name the header gives it).
struct DownloadState {
  AutoObject http;
  bool initialised = false;
  std::string url;
  std::string referer;
  int blockTimeoutMs = BlockTimeoutFor(kDefaultBlockSize);
  std::string message;
  std::string localPath;
  bool busy = false;
  std::int64_t doneBytes = 0;
  DownloadProgressHandler onProgress;
  DownloadFinishHandler onFinish;
  std::int64_t totalBytes = 0;
  bool abortRequested = false;
  int blockSize = kDefaultBlockSize;
  int status = 0;             // of the latest answer, 0 before one came
  bool closePending = false;  // Close was called from inside a running download
};

// The local file of one Download, with the validator of the bytes it holds.
struct LocalFile {
  FileNumber number = 0;
  std::int64_t length = 0;
  std::string validator;    // "" when the bytes have none
  bool unverified = false;  // bytes left by an earlier run that no validator vouches for
};

// Watches one block's wait. The object dispatches the thread's window messages while it waits
// and, under Wine, starts its wait afresh after each message, so with a timer of the program
// running it returns only when the answer is complete; it also takes a quit request out of the
// queue and keeps waiting. So while a block is awaited a timer of the thread checks the block's
// time, and a message hook of the thread notes a quit request that is taken out; either stops
// the request, which ends the wait, and the quit request is put back for the message loop.
class WaitGuard {
 public:
  WaitGuard(DownloadState& s, std::uint32_t sentTick) : s_(s), sentTick_(sentTick), previous_(current_) {
    current_ = this;
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, &WaitGuard::Hook, nullptr, GetCurrentThreadId());
    timer_ = SetTimer(nullptr, 0, kGuardTickMilliseconds, &WaitGuard::Tick);
  }
  ~WaitGuard() {
    if (timer_) KillTimer(nullptr, timer_);
    if (hook_) UnhookWindowsHookEx(hook_);
    current_ = previous_;
    PutQuitBack();
  }
  WaitGuard(const WaitGuard&) = delete;
  WaitGuard& operator=(const WaitGuard&) = delete;

  // Looks at the clock and the queue: a block past its time is stopped, a quit request aborts.
  void Check() {
    CheckTime();
    MSG msg;
    if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) s_.abortRequested = true;
    PutQuitBack();
  }
  bool TimedOut() const { return timedOut_; }

 private:
  void CheckTime() {
    if (timedOut_ || TickCount() - sentTick_ <= static_cast<std::uint32_t>(s_.blockTimeoutMs)) return;
    timedOut_ = true;
    ObjectCall(s_.http, "Abort");
  }
  void PutQuitBack() {
    if (!quitTaken_) return;
    quitTaken_ = false;
    PostQuitMessage(quitCode_);
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_) current_->CheckTime();
  }
  static LRESULT CALLBACK Hook(int code, WPARAM removal, LPARAM message) {
    const auto* msg = reinterpret_cast<const MSG*>(message);
    if (code >= 0 && removal == PM_REMOVE && msg->message == WM_QUIT && current_ && !current_->quitTaken_) {
      current_->quitTaken_ = true;
      current_->quitCode_ = static_cast<int>(msg->wParam);
      current_->s_.abortRequested = true;
      ObjectCall(current_->s_.http, "Abort");
    }
    return CallNextHookEx(nullptr, code, removal, message);
  }

  static constexpr UINT kGuardTickMilliseconds = 200;
  static thread_local WaitGuard* current_;
  DownloadState& s_;
  std::uint32_t sentTick_;
  WaitGuard* previous_;
  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  bool timedOut_ = false;
  bool quitTaken_ = false;
  int quitCode_ = 0;
};

thread_local WaitGuard* WaitGuard::current_ = nullptr;

std::string Header(const AutoObject& http, const char* name) {
  // A missing header is an automation error of the object; its empty result is what we want.
  return ObjectCall<std::string>(http, "GetResponseHeader", name);
}

void ForgetValidator(const std::string& localPath) {
  const std::string side = ValidatorSidePath(localPath);
  if (FileExists(side)) DeleteFileAt(side);
}

void KeepValidator(const std::string& localPath, const std::string& url, const std::string& validator) {
  if (validator.empty()) {
    ForgetValidator(localPath);
    return;
  }
  const std::string record = ValidatorRecord(url, validator);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(record.data());
  WriteWholeFile(ValidatorSidePath(localPath), {std::span<const std::uint8_t>(bytes, record.size())});
}

std::string StoredValidator(const std::string& localPath, const std::string& url) {
  const ByteString record = ReadWholeFile(ValidatorSidePath(localPath));
  return ValidatorFromRecord(std::string_view(reinterpret_cast<const char*>(record.data()), record.size()), url);
}

// Sends one block's request; false when the object refuses it.
bool SendBlock(DownloadState& s, std::int64_t start, const std::string& ifRange) {
  const AutoObject& http = s.http;
  ObjectCall(http, "SetTimeouts", s.blockTimeoutMs, s.blockTimeoutMs, s.blockTimeoutMs, s.blockTimeoutMs);
  ObjectCall(http, "Open", "GET", s.url, true);
  if (!AutomationLastError().empty()) return false;
  // An empty Referer is no address at all; it is left out rather than sent blank.
  if (!s.referer.empty()) ObjectCall(http, "SetRequestHeader", "Referer", s.referer);
  ObjectCall(http, "SetRequestHeader", "Accept", "*/*");
  ObjectCall(http, "SetRequestHeader", "User-Agent", "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)");
  ObjectCall(http, "SetRequestHeader", "Range", RangeHeaderValue(start, s.blockSize));
  if (!ifRange.empty()) ObjectCall(http, "SetRequestHeader", "If-Range", ifRange);
  ObjectCall(http, "SetRequestHeader", "Content-Type", "application/octet-stream");
  ObjectCall(http, "SetRequestHeader", "Pragma", "no-cache");
  ObjectCall(http, "SetRequestHeader", "Cache-Control", "no-cache");
  ObjectCall(http, "Send");
  return AutomationLastError().empty();
}

// Looks at the request until it is answered, the block's time runs out, the user aborts or the
// transfer fails, dispatching window messages between the looks.
//
// Each look waits at most one second, the shortest time the object takes (it counts whole
// seconds), and returns as soon as the answer is complete; the object dispatches the thread's
// window messages while it waits, so a timer or a menu's Abort gets through at once. A look of 0
// seconds is no use: under Wine it never reports the answer.
WaitResult WaitForAnswer(DownloadState& s, std::uint32_t sentTick) {
  WaitGuard guard(s, sentTick);
  for (;;) {
    guard.Check();
    if (guard.TimedOut()) return WaitResult::TimedOut;
    if (s.abortRequested) return WaitResult::Aborted;
    const bool answered = ObjectCall<bool>(s.http, "WaitForResponse", kLookSeconds);
    const bool failed = !AutomationLastError().empty();
    guard.Check();
    if (guard.TimedOut()) return WaitResult::TimedOut;
    if (s.abortRequested) return WaitResult::Aborted;
    if (failed) return WaitResult::Failed;
    if (answered) return WaitResult::Answered;
    ProcessEvents();
  }
}

// Empties the local file for a fetch from the start.
bool Truncate(LocalFile& file, const std::string& localPath) {
  ForgetValidator(localPath);
  file.validator.clear();
  file.unverified = false;
  if (!SeekStart(file.number) || !DeleteData(file.number, FileLength(file.number))) return false;
  file.length = FileLength(file.number);
  return file.length == 0;
}

bool Append(LocalFile& file, const ByteString& body) {
  if (!SeekEnd(file.number) || !WriteBytes(file.number, {std::span<const std::uint8_t>(body)})) return false;
  file.length += static_cast<std::int64_t>(body.size());
  return FileLength(file.number) == file.length;
}

// The block loop; leaves the result in s.message.
void RunBlocks(DownloadState& s, LocalFile& file) {
  bool startedOver = false;
  for (;;) {
    BlockRequest request;
    request.start = file.length;
    request.sentIfRange = file.length > 0 && !file.validator.empty();
    request.unverified = file.unverified;
    request.knownTotal = s.totalBytes;
    if (!SendBlock(s, request.start, request.sentIfRange ? file.validator : std::string())) {
      s.message = kTimedOutMessage;
      return;
    }
    const std::uint32_t sentTick = TickCount();
    switch (WaitForAnswer(s, sentTick)) {
      case WaitResult::Answered: break;
      case WaitResult::Aborted: s.message = kAbortedMessage; return;
      // A transfer that broke off is reported like one that stalled: the remedy is the same.
      case WaitResult::TimedOut:
      case WaitResult::Failed: s.message = kTimedOutMessage; return;
    }
    BlockAnswer answer;
    answer.status = s.status = ObjectGet<int>(s.http, "Status");
    answer.statusText = ObjectGet<std::string>(s.http, "StatusText");
    answer.contentRange = Header(s.http, "Content-Range");
    ByteString body;
    if (answer.status == 206) body = ObjectGet<ByteString>(s.http, "ResponseBody");
    answer.bodyBytes = static_cast<std::int64_t>(body.size());
    const BlockVerdict verdict = JudgeBlock(request, answer);

    switch (verdict.action) {
      case BlockAction::Fail: s.message = verdict.message; return;
      case BlockAction::Complete:
        s.totalBytes = verdict.total;
        s.doneBytes = file.length;
        s.message = kCompleteMessage;
        return;
      case BlockAction::StartOver:
        // Once per download: a server that keeps changing its answer does not get a loop.
        if (startedOver) {
          s.message = kNoResumeMessage;
          return;
        }
        startedOver = true;
        if (!Truncate(file, s.localPath)) {
          s.message = kCannotOpenMessage;
          return;
        }
        s.totalBytes = 0;
        s.doneBytes = 0;
        break;
      case BlockAction::Append:
        if (request.start == 0) {
          file.validator = ChooseValidator(Header(s.http, "ETag"), Header(s.http, "Last-Modified"));
          KeepValidator(s.localPath, s.url, file.validator);
        }
        if (!Append(file, body)) {
          s.message = kCannotOpenMessage;
          return;
        }
        s.totalBytes = verdict.total;
        s.doneBytes = file.length;
        if (s.onProgress) {
          s.onProgress(s.localPath, s.totalBytes, KilobytesPerSecond(answer.bodyBytes, TickCount() - sentTick),
                       PercentDone(s.doneBytes, s.totalBytes));
        }
        if (s.doneBytes >= s.totalBytes) {
          s.message = kCompleteMessage;
          return;
        }
        break;
    }
    if (s.abortRequested) {
      s.message = kAbortedMessage;
      return;
    }
  }
}

}  // namespace

struct Downloader::State : DownloadState {};

Downloader::Downloader() : state_(std::make_unique<State>()) {}

Downloader::~Downloader() = default;

void Downloader::Close() {
  if (state_->busy) {
    // The running download ends first; it closes the downloader on its way out.
    state_->closePending = true;
    Abort();
    return;
  }
  *state_ = State{};
  state_->blockSize = 0;
  state_->blockTimeoutMs = 0;
}

bool Downloader::Init(DownloadProgressHandler onProgress, DownloadFinishHandler onFinish) {
  State& s = *state_;
  if (s.initialised || s.busy) return false;
  if (!ObjectCreate(s.http, kHttpClass)) return false;
  s.initialised = true;
  s.busy = false;
  s.onProgress = std::move(onProgress);
  s.onFinish = std::move(onFinish);
  s.doneBytes = 0;
  s.totalBytes = 0;
  s.abortRequested = false;
  s.status = 0;
  s.blockSize = kDefaultBlockSize;
  s.blockTimeoutMs = BlockTimeoutFor(kDefaultBlockSize);
  return true;
}

void Downloader::SetBlockSize(int kilobytes) {
  if (!state_->initialised || state_->busy) return;
  state_->blockSize = BlockSizeFromKilobytes(kilobytes);
  state_->blockTimeoutMs = BlockTimeoutFor(state_->blockSize);
}

void Downloader::SetUrl(const std::string& url, const std::string& referer) {
  if (!state_->initialised || state_->busy) return;
  state_->url = url;
  state_->referer = referer;
}

bool Downloader::SetLocalPath(const std::string& path) {
  if (!state_->initialised || state_->busy) return false;
  state_->localPath = path;
  return true;
}

bool Downloader::Download() {
  State& s = *state_;
  if (!s.initialised) {
    s.message = kNotInitialisedMessage;
    if (s.onFinish) s.onFinish(s.url, s.status, s.message, 0);
    return false;
  }
  if (s.busy) {
    // The running download keeps its message, counters and file; only this caller is told.
    if (s.onFinish) s.onFinish(s.url, s.status, std::string(kBusyMessage), PercentDone(s.doneBytes, s.totalBytes));
    return false;
  }
  s.status = 0;
  s.message.clear();
  s.abortRequested = false;
  // A file this download creates and never writes to is not left behind.
  const bool existed = FileExists(s.localPath);
  LocalFile file;
  file.number = FileOpen(s.localPath, kReadWriteKeep, kExclusive);
  if (file.number == 0) {
    s.message = kCannotOpenMessage;
  } else {
    s.busy = true;
    file.length = FileLength(file.number);
    s.doneBytes = file.length;
    s.totalBytes = 0;
    if (file.length > 0) {
      file.validator = StoredValidator(s.localPath, s.url);
      file.unverified = file.validator.empty();
    }
    RunBlocks(s, file);
    CloseFile(file.number);
    if (s.message == kCompleteMessage) ForgetValidator(s.localPath);
    if (!existed && file.length == 0 && s.message != kCompleteMessage) DeleteFileAt(s.localPath);
  }
  // The counters are reset before the finish handler runs, so that it may start the next download.
  const std::string url = s.url;
  const std::string message = s.message;
  const int status = s.status;
  const int percent = PercentDone(s.doneBytes, s.totalBytes);
  const DownloadFinishHandler onFinish = s.onFinish;
  s.busy = false;
  s.abortRequested = false;
  s.doneBytes = 0;
  s.totalBytes = 0;
  if (s.closePending) Close();
  if (onFinish) onFinish(url, status, message, percent);
  return message == kCompleteMessage;
}

void Downloader::Abort() {
  if (!state_->busy) return;
  state_->abortRequested = true;
  ObjectCall(state_->http, "Abort");
}

bool Downloader::Initialised() const { return state_->initialised; }
bool Downloader::Busy() const { return state_->busy; }
const std::string& Downloader::Message() const { return state_->message; }
int Downloader::BlockSize() const { return state_->blockSize; }
int Downloader::BlockTimeoutMilliseconds() const { return state_->blockTimeoutMs; }

Downloader& ProcessDownloader() {
  static Downloader downloader;
  return downloader;
}

bool DownloadFile(const std::string& url, const std::string& localPath, DownloadProgressHandler onProgress,
                  DownloadFinishHandler onFinish) {
  Downloader& d = ProcessDownloader();
  if (d.Busy()) {
    // Re-initialising would take the running download's handlers away; this call is refused.
    if (onFinish) onFinish(url, 0, std::string(kBusyMessage), 0);
    return false;
  }
  // One downloader serves every update of the process: each call initialises it afresh with its
  // own handlers.
  d.Close();
  if (!d.Init(std::move(onProgress), onFinish)) {
    if (onFinish) onFinish(url, 0, std::string(kNotInitialisedMessage), 0);
    return false;
  }
  d.SetLocalPath(localPath);
  d.SetUrl(url, "");
  d.SetBlockSize(20);
  return d.Download();
}

}  // namespace tarnvel
