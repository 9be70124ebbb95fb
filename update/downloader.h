// The resumable downloader: fetches one file over HTTP into a local file in fixed-size blocks
// with "Range" requests, appending to what the local file already holds, so that a download
// that was cut off goes on where it stopped.
//
//   Downloader& d = ProcessDownloader();
//   d.Init(onProgress, onFinish);
//   d.SetLocalPath("Z:\\app\\update.exe.tmp");
//   d.SetUrl("http://host/NEW/Tarnvel.exe", "");
//   d.SetBlockSize(20);
//   if (d.Download()) ... the file is complete ...
//
// Every Download ends with exactly one call of the finish handler, whose message is one of:
// "没有初始化", "正在下载中……", "本地文件无法打开", "数据下载超时，建议重试。", "用户中止了下载",
// "服务器不支持断点续传！", "文件长度未知！", "下载完毕", or the server's status text for an
// HTTP error. Download is true only for "下载完毕".
//
// A block is never spliced onto bytes of another version of the file:
// - The first block's validator (its strong ETag, else its Last-Modified) goes with every later
//   request as If-Range, and is kept beside the local file as "<local path>.validator" (the URL
//   on the first line, the validator on the second) until the file is complete, so that a later
//   run resumes a partial file too. A 200 answer to If-Range means the file changed: the local
//   file is emptied and fetched again from the start (once per Download).
// - A partial file without a validator for this URL (left by an earlier version, or by another
//   address) is not continued: the first request asks for the range after its end only to learn
//   whether it is complete (416 with the same size); otherwise it is fetched again from the start.
// - A 416 means complete only when the server's size ("bytes */N") is the local file's; a longer
//   local file is fetched again from the start.
// - An answer is checked before anything is written: without a usable Content-Range it ends with
//   "文件长度未知！", a 200 to a plain Range request with "服务器不支持断点续传！", an HTTP error
//   with the server's status text, each leaving the file as it was. A download that creates the
//   file and writes nothing to it removes it again.
// A transfer that breaks off ends like a stalled one, "数据下载超时，建议重试。".
//
// While a block is awaited the window messages of the calling thread are dispatched, so a
// window's menu (Abort) and the notification-area icon keep working during a download. A quit
// request ends the download ("用户中止了下载") and stays queued for the message loop.
//
// The finish handler runs after the downloader is ready again, so it may start the next download.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tarnvel {

// After each block: the local path, the file's total size in bytes (0 while unknown), the speed
// in KB per second and the percent done.
using DownloadProgressHandler =
    std::function<void(const std::string& localPath, std::int64_t totalBytes, int kilobytesPerSecond, int percent)>;
// Once at the end of every Download: the URL, the last HTTP status (0 when none came), the
// message and the percent done.
using DownloadFinishHandler =
    std::function<void(const std::string& url, int status, const std::string& message, int percent)>;

class Downloader {
 public:
  Downloader();
  ~Downloader();
  Downloader(const Downloader&) = delete;
  Downloader& operator=(const Downloader&) = delete;

  // Aborts a running download, releases the HTTP component and clears every field.
  void Close();
  // Only when neither initialised nor busy: creates the HTTP component, stores the handlers,
  // block size 10240 bytes and its time-out 102400 ms. False when refused or the component
  // cannot be created. Close makes a new Init possible. While a download runs, Close aborts it
  // and takes effect when it has ended.
  bool Init(DownloadProgressHandler onProgress, DownloadFinishHandler onFinish);
  // Only when initialised and not busy: (the low byte of kilobytes, or 4 if it is 0) × 1024
  // bytes a block; the block time-out follows at 100 bytes a second.
  void SetBlockSize(int kilobytes);
  // Only when initialised and not busy. An empty referer sends no Referer line.
  void SetUrl(const std::string& url, const std::string& referer);
  bool SetLocalPath(const std::string& path);
  bool Download();
  // When busy: stops the download; the finish handler then says "用户中止了下载".
  void Abort();

  bool Initialised() const;
  bool Busy() const;
  const std::string& Message() const;
  int BlockSize() const;
  int BlockTimeoutMilliseconds() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The one downloader of the process.
Downloader& ProcessDownloader();

// The update's way in: (re)initialises the process's downloader with the two handlers, sets the
// local path, the URL with an empty referer and 20 KB blocks, and downloads. Works for every
// update of a process, not only the first. While a download runs it is refused: its own finish
// handler gets "正在下载中……" and the running download goes on untouched.
bool DownloadFile(const std::string& url, const std::string& localPath, DownloadProgressHandler onProgress,
                  DownloadFinishHandler onFinish);

}  // namespace tarnvel
