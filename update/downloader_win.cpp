// The downloader on the system's HTTP request object ("WinHttp.WinHttpRequest.5.1") through the
// automation layer: one asynchronous GET per block.
//
// Each block's request is made on a worker thread of its own, with an object of its own, while
// the calling thread waits for that thread and dispatches its window messages. The object's own
// wait is no place for the program's messages: under Wine it dispatches them itself, starts its
// wait afresh after each one (so with a timer running it returns only with the answer), takes
// a quit request out of the queue, and an Abort called from inside it can leave it waiting for
// ever. On the worker, which has no windows, it only waits.
#include <windows.h>
// after windows.h, which it needs
#include <objbase.h>

#include "update/downloader.h"

#include <atomic>
#include <memory>
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
// How long one look of the worker at the request may wait for its answer, in seconds (the
// object counts whole seconds); between looks it sees an abort and the block's time-out.
constexpr int kLookSeconds = 1;
// FileOpen: read and write, created when missing, contents kept; nobody else may open it.
constexpr int kReadWriteKeep = 6;
constexpr int kExclusive = 4;

enum class WaitResult { Answered, TimedOut, Aborted, Failed };

// The downloader's fields (Downloader::State is this, under the name the header gives it).
struct DownloadState {
  AutoObject http;  // made by Init, which so learns that the component is there
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
  return ValidatorFromRecord(std::string_view(reinterpret_cast<const char*>(record.data()), record.size()),
                             url);
}

// One block's request, handed to its worker thread, and the answer it brings back.
struct BlockJob {
  std::string url;
  std::string referer;
  std::string range;
  std::string ifRange;
  int timeoutMs = 0;
  std::uint32_t sentTick = 0;
  std::atomic<bool> abort{false};

  WaitResult result = WaitResult::Failed;
  int status = 0;
  std::string statusText;
  std::string contentRange;
  std::string etag;
  std::string lastModified;
  ByteString body;  // only of a 206 answer
};

bool SendBlock(const AutoObject& http, const BlockJob& job) {
  ObjectCall(http, "SetTimeouts", job.timeoutMs, job.timeoutMs, job.timeoutMs, job.timeoutMs);
  ObjectCall(http, "Open", "GET", job.url, true);
  if (!AutomationLastError().empty()) return false;
  // An empty Referer is no address at all; it is left out rather than sent blank.
  if (!job.referer.empty()) ObjectCall(http, "SetRequestHeader", "Referer", job.referer);
  ObjectCall(http, "SetRequestHeader", "Accept", "*/*");
  ObjectCall(http, "SetRequestHeader", "User-Agent", "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)");
  ObjectCall(http, "SetRequestHeader", "Range", job.range);
  if (!job.ifRange.empty()) ObjectCall(http, "SetRequestHeader", "If-Range", job.ifRange);
  ObjectCall(http, "SetRequestHeader", "Content-Type", "application/octet-stream");
  ObjectCall(http, "SetRequestHeader", "Pragma", "no-cache");
  ObjectCall(http, "SetRequestHeader", "Cache-Control", "no-cache");
  ObjectCall(http, "Send");
  return AutomationLastError().empty();
}

// Looks at the request until it is answered, the block's time runs out, an abort is asked for
// or the transfer fails. A look of 0 seconds is no use: under Wine it never reports the answer.
WaitResult AwaitAnswer(const AutoObject& http, BlockJob& job) {
  for (;;) {
    if (job.abort) {
      ObjectCall(http, "Abort");
      return WaitResult::Aborted;
    }
    const bool answered = ObjectCall<bool>(http, "WaitForResponse", kLookSeconds);
    if (!AutomationLastError().empty()) return job.abort ? WaitResult::Aborted : WaitResult::Failed;
    if (answered) return WaitResult::Answered;
    if (TickCount() - job.sentTick > static_cast<std::uint32_t>(job.timeoutMs)) {
      ObjectCall(http, "Abort");
      return WaitResult::TimedOut;
    }
  }
}

void RunBlockJob(BlockJob& job) {
  AutoObject http;
  if (!ObjectCreate(http, kHttpClass) || !SendBlock(http, job)) {
    job.result = WaitResult::Failed;
    return;
  }
  job.result = AwaitAnswer(http, job);
  if (job.result != WaitResult::Answered) return;
  job.status = ObjectGet<int>(http, "Status");
  job.statusText = ObjectGet<std::string>(http, "StatusText");
  // A missing header is an automation error of the object; its empty result is what we want.
  job.contentRange = ObjectCall<std::string>(http, "GetResponseHeader", "Content-Range");
  job.etag = ObjectCall<std::string>(http, "GetResponseHeader", "ETag");
  job.lastModified = ObjectCall<std::string>(http, "GetResponseHeader", "Last-Modified");
  if (job.status == 206) job.body = ObjectGet<ByteString>(http, "ResponseBody");
}

DWORD WINAPI BlockThread(void* parameter) {
  // The worker shares the job with the downloader, which may have given up on it.
  const std::unique_ptr<std::shared_ptr<BlockJob>> job(static_cast<std::shared_ptr<BlockJob>*>(parameter));
  // An apartment of its own, ended with the thread; the object is released before that.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RunBlockJob(**job);
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

// Runs the job on its worker and waits for it, dispatching the thread's window messages.
//
// An abort (from a handler of those messages, or a quit request, which stays queued for the
// message loop because the program is ending) does not wait for the worker: the request
// object's Abort waits for its own transfer to give up, which on a stalled connection takes as
// long as the block's time-out. The worker is told to stop and left to end on its own; it
// holds its share of the job, so nothing it writes reaches the download any more.
WaitResult RunBlock(DownloadState& s, const std::shared_ptr<BlockJob>& job) {
  auto* share = new std::shared_ptr<BlockJob>(job);
  HANDLE thread = CreateThread(nullptr, 0, BlockThread, share, 0, nullptr);
  if (!thread) {
    delete share;
    return WaitResult::Failed;
  }
  bool ended = false;
  for (;;) {
    if (s.abortRequested) break;
    const DWORD woke = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
    if (woke != WAIT_OBJECT_0 + 1) {
      ended = true;
      break;
    }
    ProcessEvents();
    MSG msg;
    if (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) s.abortRequested = true;
  }
  CloseHandle(thread);
  if (!ended) {
    job->abort = true;
    return WaitResult::Aborted;
  }
  if (s.abortRequested && job->result != WaitResult::TimedOut) return WaitResult::Aborted;
  return job->result;
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
    const auto job = std::make_shared<BlockJob>();
    job->url = s.url;
    job->referer = s.referer;
    job->range = RangeHeaderValue(request.start, s.blockSize);
    if (request.sentIfRange) job->ifRange = file.validator;
    job->timeoutMs = s.blockTimeoutMs;
    job->sentTick = TickCount();
    switch (RunBlock(s, job)) {
      case WaitResult::Answered:
        break;
      case WaitResult::Aborted:
        s.message = kAbortedMessage;
        return;
      // A transfer that broke off is reported like one that stalled: the remedy is the same.
      case WaitResult::TimedOut:
      case WaitResult::Failed:
        s.message = kTimedOutMessage;
        return;
    }
    BlockAnswer answer;
    answer.status = s.status = job->status;
    answer.statusText = job->statusText;
    answer.contentRange = job->contentRange;
    answer.bodyBytes = static_cast<std::int64_t>(job->body.size());
    const BlockVerdict verdict = JudgeBlock(request, answer);

    switch (verdict.action) {
      case BlockAction::Fail:
        s.message = verdict.message;
        return;
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
          file.validator = ChooseValidator(job->etag, job->lastModified);
          KeepValidator(s.localPath, s.url, file.validator);
        }
        if (!Append(file, job->body)) {
          s.message = kCannotOpenMessage;
          return;
        }
        s.totalBytes = verdict.total;
        s.doneBytes = file.length;
        if (s.onProgress) {
          s.onProgress(s.localPath, s.totalBytes,
                       KilobytesPerSecond(answer.bodyBytes, TickCount() - job->sentTick),
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
    if (s.onFinish)
      s.onFinish(s.url, s.status, std::string(kBusyMessage), PercentDone(s.doneBytes, s.totalBytes));
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
  // The block's worker sees the flag within a look and aborts its request.
  if (state_->busy) state_->abortRequested = true;
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
