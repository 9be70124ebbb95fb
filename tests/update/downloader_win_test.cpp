// The resumable downloader against the in-process loopback server (exact requests, scripted and
// broken answers) and against nginx (real ranges, If-Range, ETag, 416). Every file is compared
// with the standard library, not with the downloader's own file code.
#include "update/downloader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

#include "runtime/datetime.h"
#include "tests/support/http_test_server_win.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

namespace fs = std::filesystem;
using test::HttpReply;
using test::HttpTestServer;

// Bytes that differ from block to block and from seed to seed, so a splice shows.
std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(fs::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return fs::exists(fs::path(path)); }

struct Finish {
  std::string url;
  int status;
  std::string message;
  int percent;
};
struct Progress {
  std::int64_t total;
  int speed;
  int percent;
};

// Records what the downloader reports; `onBlock` runs inside the progress handler.
struct Recorder {
  std::vector<Progress> progress;
  std::vector<Finish> finishes;
  std::function<void()> onBlock;

  DownloadProgressHandler ProgressHandler() {
    return [this](const std::string&, std::int64_t total, int speed, int percent) {
      progress.push_back({total, speed, percent});
      if (onBlock) onBlock();
    };
  }
  DownloadFinishHandler FinishHandler() {
    return [this](const std::string& url, int status, const std::string& message, int percent) {
      finishes.push_back({url, status, message, percent});
    };
  }
  bool Fetch(const std::string& url, const std::string& path) {
    return DownloadFile(url, path, ProgressHandler(), FinishHandler());
  }
  const Finish& Last() const { return finishes.back(); }
};

// The header lines of a raw request, without the request line.
std::vector<std::string> HeaderLines(const std::string& request) {
  std::vector<std::string> lines;
  const std::string head = request.substr(0, request.find("\r\n\r\n"));
  std::size_t at = head.find("\r\n");
  while (at != std::string::npos) {
    const std::size_t next = head.find("\r\n", at + 2);
    lines.push_back(head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2));
    at = next;
  }
  return lines;
}

std::vector<std::string> OurLines(const std::string& request) {
  static const char* const kOurs[] = {"Referer:",  "Accept:",       "User-Agent:", "Range:",
                                      "If-Range:", "Content-Type:", "Pragma:",     "Cache-Control:"};
  std::vector<std::string> ours;
  for (const std::string& line : HeaderLines(request)) {
    for (const char* name : kOurs) {
      if (line.rfind(name, 0) == 0) ours.push_back(line);
    }
  }
  return ours;
}

class DownloaderTest : public testing::Test {
 protected:
  void SetUp() override { dir_ = test::FreshTestDir(); }
  // The process's downloader keeps the handlers, which point into this test's recorders.
  void TearDown() override { ProcessDownloader().Close(); }
  std::string Local(const char* name = "update.exe.tmp") const { return dir_ + name; }

  std::string dir_;
  Recorder rec_;
};

// ---- Requests and answers, against the in-process server ----

TEST_F(DownloaderTest, RequestCarriesItsHeaderLinesInOrder) {
  HttpTestServer server;
  server.SetDefault(HttpReply::Resource(Pattern(100, 1)));
  Downloader& d = ProcessDownloader();
  d.Close();
  ASSERT_TRUE(d.Init(rec_.ProgressHandler(), rec_.FinishHandler()));
  EXPECT_FALSE(d.Init(nullptr, nullptr)) << "a second initialisation is refused";
  ASSERT_TRUE(d.SetLocalPath(Local()));
  d.SetUrl(server.Url("/NEW/Tarnvel.exe"), "http://ref.invalid/page");
  d.SetBlockSize(1);
  EXPECT_EQ(d.BlockSize(), 1024);
  EXPECT_EQ(d.BlockTimeoutMilliseconds(), 10240);
  ASSERT_TRUE(d.Download()) << d.Message();
  EXPECT_EQ(d.Message(), "下载完毕");

  ASSERT_EQ(server.RequestCount(), 1u);
  const std::string request = server.Request(0);
  EXPECT_EQ(request.rfind("GET /NEW/Tarnvel.exe HTTP/1.1\r\n", 0), 0u) << request;
  const std::vector<std::string> expected = {"Referer: http://ref.invalid/page",
                                             "Accept: */*",
                                             "User-Agent: Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)",
                                             "Range: bytes=0-1023",
                                             "Content-Type: application/octet-stream",
                                             "Pragma: no-cache",
                                             "Cache-Control: no-cache"};
  EXPECT_EQ(OurLines(request), expected) << request;
  EXPECT_EQ(ReadFile(Local()), Pattern(100, 1));

  // Without a referer no blank Referer line goes out.
  ASSERT_TRUE(rec_.Fetch(server.Url("/b"), Local("b.bin")));
  const std::vector<std::string> lines = OurLines(server.Request(1));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Accept: */*");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Range: bytes=0-20479"), lines.end());
}

TEST_F(DownloaderTest, APartialFileAsksForTheRangeAfterItsEnd) {
  HttpTestServer server;
  server.Script(HttpReply::Status(404, "Not Found"));
  server.Script(HttpReply::Status(404, "Not Found"));
  const std::string url = server.Url("/NEW/Tarnvel.exe");
  const std::string partial = Pattern(30000, 2);
  WriteFile(Local(), partial);
  // The validator the first block of an earlier run left beside the file.
  WriteFile(Local() + ".validator", url + "\n\"v1\"\n");

  EXPECT_FALSE(rec_.Fetch(url, Local()));
  std::vector<std::string> lines = OurLines(server.Request(0));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Range: bytes=30000-50479"), lines.end())
      << server.Request(0);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "If-Range: \"v1\""), lines.end()) << server.Request(0);

  // A 404 ends with the server's status text; the file is as it was.
  ASSERT_EQ(rec_.finishes.size(), 1u);
  EXPECT_EQ(rec_.Last().message, "Not Found");
  EXPECT_EQ(rec_.Last().status, 404);
  EXPECT_EQ(rec_.Last().url, url);
  EXPECT_EQ(ReadFile(Local()), partial);
  EXPECT_TRUE(rec_.progress.empty());

  // Without its validator the same file is only asked about, never continued blindly.
  fs::remove(fs::path(Local() + ".validator"));
  EXPECT_FALSE(rec_.Fetch(url, Local()));
  lines = OurLines(server.Request(1));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Range: bytes=30000-50479"), lines.end());
  for (const std::string& line : lines) EXPECT_NE(line.rfind("If-Range:", 0), 0u) << line;
  EXPECT_EQ(ReadFile(Local()), partial);
}

TEST_F(DownloaderTest, ThreeBlocksMakeTheWholeFile) {
  HttpTestServer server;
  const std::string body = Pattern(50000, 3);
  server.SetDefault(HttpReply::Resource(body));
  ASSERT_TRUE(rec_.Fetch(server.Url("/f"), Local()));
  EXPECT_EQ(ReadFile(Local()), body);
  ASSERT_EQ(server.RequestCount(), 3u);
  EXPECT_NE(server.Request(1).find("\r\nRange: bytes=20480-40959\r\n"), std::string::npos);
  EXPECT_NE(server.Request(2).find("\r\nRange: bytes=40960-61439\r\n"), std::string::npos);
  ASSERT_EQ(rec_.progress.size(), 3u);
  EXPECT_EQ(rec_.progress[0].percent, 40);
  EXPECT_EQ(rec_.progress[1].percent, 81);
  EXPECT_EQ(rec_.progress[2].percent, 100);
  for (const Progress& p : rec_.progress) EXPECT_EQ(p.total, 50000);
  ASSERT_EQ(rec_.finishes.size(), 1u);
  EXPECT_EQ(rec_.Last().message, "下载完毕");
  EXPECT_EQ(rec_.Last().percent, 100);
  EXPECT_EQ(rec_.Last().status, 206);
  EXPECT_FALSE(Exists(Local() + ".validator"));
}

TEST_F(DownloaderTest, FailedAnswersLeaveTheFileAsItWas) {
  HttpTestServer server;
  const std::string url = server.Url("/f");
  const std::string partial = Pattern(30000, 4);

  // 404 to a fresh download: no file is left behind.
  server.Script(HttpReply::Status(404, "Not Found"));
  EXPECT_FALSE(rec_.Fetch(url, Local()));
  EXPECT_EQ(rec_.Last().message, "Not Found");
  EXPECT_FALSE(Exists(Local()));

  // 206 without Content-Range: the length is unknown, and the block is not appended (once, not
  // for ever).
  WriteFile(Local(), partial);
  WriteFile(Local() + ".validator", url + "\n\"v1\"\n");
  server.Script(
      HttpReply::Raw("HTTP/1.1 206 Partial Content\r\nContent-Length: 5\r\nConnection: close\r\n\r\nABCDE"));
  EXPECT_FALSE(rec_.Fetch(url, Local()));
  EXPECT_EQ(rec_.Last().message, "文件长度未知！");
  EXPECT_EQ(rec_.Last().percent, 0);
  EXPECT_EQ(ReadFile(Local()), partial);
  EXPECT_EQ(server.RequestCount(), 2u);

  // 200 to a plain Range request: the server cannot resume; nothing is written.
  server.Script(HttpReply::Resource(Pattern(50000, 5), false));
  EXPECT_FALSE(rec_.Fetch(url, Local("fresh.bin")));
  EXPECT_EQ(rec_.Last().message, "服务器不支持断点续传！");
  EXPECT_EQ(rec_.Last().status, 200);
  EXPECT_FALSE(Exists(Local("fresh.bin")));

  // A server error: its own status text.
  server.Script(HttpReply::Status(503, "Service Unavailable"));
  EXPECT_FALSE(rec_.Fetch(url, Local()));
  EXPECT_EQ(rec_.Last().message, "Service Unavailable");
  EXPECT_EQ(ReadFile(Local()), partial);

  // A connection reset before any answer.
  server.Script(HttpReply::Drop());
  EXPECT_FALSE(rec_.Fetch(url, Local()));
  EXPECT_EQ(rec_.Last().message, "数据下载超时，建议重试。");
  EXPECT_EQ(ReadFile(Local()), partial);
  EXPECT_EQ(rec_.finishes.size(), 5u) << "one finish call for each download";
  EXPECT_TRUE(rec_.progress.empty());
}

void CALLBACK Nothing(HWND, UINT, UINT_PTR, DWORD) {}

// A stalled block ends at its time-out, also while a timer of the program keeps the thread's
// queue busy (the main window's timers do).
class StalledBlock : public DownloaderTest, public testing::WithParamInterface<bool> {};

TEST_P(StalledBlock, TimesOut) {
  HttpTestServer server;
  server.Script(HttpReply::Stall());
  const UINT_PTR timer = GetParam() ? SetTimer(nullptr, 0, 10, Nothing) : 0;
  // The block's time-out runs on the program's tick count, moved on here once the request is in.
  ScopedFakeClock clock(Now(), 5000);
  std::thread mover([&] {
    if (server.WaitForRequests(1)) clock.Advance(204801);
  });
  const bool ok = rec_.Fetch(server.Url("/f"), Local());
  mover.join();
  if (timer) KillTimer(nullptr, timer);
  server.ReleaseStalled();
  EXPECT_FALSE(ok);
  ASSERT_EQ(rec_.finishes.size(), 1u);
  EXPECT_EQ(rec_.Last().message, "数据下载超时，建议重试。");
  EXPECT_FALSE(Exists(Local()));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutATimer, StalledBlock, testing::Bool());

TEST_F(DownloaderTest, AbortFromTheProgressHandlerKeepsTheBlocksSoFar) {
  HttpTestServer server;
  const std::string body = Pattern(50000, 6);
  server.SetDefault(HttpReply::Resource(body));
  rec_.onBlock = [] { ProcessDownloader().Abort(); };
  EXPECT_FALSE(rec_.Fetch(server.Url("/f"), Local()));
  ASSERT_EQ(rec_.finishes.size(), 1u);
  EXPECT_EQ(rec_.Last().message, "用户中止了下载");
  EXPECT_EQ(rec_.Last().percent, 40);
  EXPECT_EQ(ReadFile(Local()), body.substr(0, 20480));
  EXPECT_EQ(server.RequestCount(), 1u);
  EXPECT_FALSE(ProcessDownloader().Busy());
}

TEST_F(DownloaderTest, DownloadWhileBusyIsRefusedWithoutDisturbingTheRunningOne) {
  HttpTestServer server;
  const std::string body = Pattern(50000, 7);
  server.SetDefault(HttpReply::Resource(body));
  Recorder other;
  bool nestedDownload = true, nestedFile = true;
  rec_.onBlock = [&] {
    if (rec_.progress.size() != 1) return;
    nestedDownload = ProcessDownloader().Download();
    nestedFile = other.Fetch(server.Url("/other"), Local("other.bin"));
  };
  EXPECT_TRUE(rec_.Fetch(server.Url("/f"), Local()));
  EXPECT_FALSE(nestedDownload);
  EXPECT_FALSE(nestedFile);
  ASSERT_EQ(rec_.finishes.size(), 2u);
  EXPECT_EQ(rec_.finishes[0].message, "正在下载中……");
  EXPECT_EQ(rec_.finishes[1].message, "下载完毕");
  ASSERT_EQ(other.finishes.size(), 1u);
  EXPECT_EQ(other.Last().message, "正在下载中……");
  EXPECT_EQ(ReadFile(Local()), body);
  EXPECT_FALSE(Exists(Local("other.bin")));
  EXPECT_EQ(server.RequestCount(), 3u);
}

// A thread timer's messages reach their routine while a block is awaited, and the routine can
// abort the download, as a window's menu would.
int gTicks = 0;
void CALLBACK CountTicks(HWND, UINT, UINT_PTR, DWORD) {
  if (++gTicks == 5) ProcessDownloader().Abort();
}

TEST_F(DownloaderTest, WindowMessagesAreDispatchedWhileABlockIsAwaited) {
  HttpTestServer server;
  server.Script(HttpReply::Stall());
  gTicks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, CountTicks);
  ASSERT_NE(timer, 0u);
  const bool ok = rec_.Fetch(server.Url("/f"), Local());
  KillTimer(nullptr, timer);
  server.ReleaseStalled();
  EXPECT_FALSE(ok);
  EXPECT_GE(gTicks, 5);
  ASSERT_EQ(rec_.finishes.size(), 1u);
  EXPECT_EQ(rec_.Last().message, "用户中止了下载");
}

// A quit request that arrives during a download ends it and stays queued for the message loop.
int gQuitTicks = 0;
void CALLBACK QuitOnce(HWND, UINT, UINT_PTR, DWORD) {
  ++gQuitTicks;
  if (gQuitTicks == 3) PostQuitMessage(7);
  if (gQuitTicks == 300) ProcessDownloader().Abort();  // the quit got lost: end the test's wait
}

TEST_F(DownloaderTest, AQuitRequestEndsTheDownloadAndStaysQueued) {
  HttpTestServer server;
  server.Script(HttpReply::Stall());
  gQuitTicks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 10, QuitOnce);
  ASSERT_NE(timer, 0u);
  const bool ok = rec_.Fetch(server.Url("/f"), Local());
  KillTimer(nullptr, timer);
  server.ReleaseStalled();
  EXPECT_FALSE(ok);
  EXPECT_LT(gQuitTicks, 300) << "the quit request did not end the download";
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit request was lost";
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_EQ(rec_.Last().message, "用户中止了下载");
}

TEST_F(DownloaderTest, EachDownloadFileInitialisesAfreshWithItsOwnHandlers) {
  HttpTestServer server;
  server.SetDefault(HttpReply::Resource(Pattern(3000, 8)));
  Recorder second;
  ASSERT_TRUE(rec_.Fetch(server.Url("/a"), Local("a.bin")));
  ASSERT_TRUE(second.Fetch(server.Url("/b"), Local("b.bin")));
  EXPECT_EQ(rec_.finishes.size(), 1u);
  ASSERT_EQ(second.finishes.size(), 1u);
  EXPECT_EQ(second.Last().url, server.Url("/b"));
  EXPECT_EQ(ReadFile(Local("b.bin")), Pattern(3000, 8));

  // A downloader that was never initialised says so.
  Downloader fresh;
  EXPECT_FALSE(fresh.Download());
  EXPECT_EQ(fresh.Message(), "没有初始化");
  EXPECT_FALSE(fresh.SetLocalPath(Local()));
}

TEST_F(DownloaderTest, TheFinishHandlerMayStartTheNextDownloadAndCloseWaitsForTheRunningOne) {
  HttpTestServer server;
  server.SetDefault(HttpReply::Resource(Pattern(50000, 19)));
  Recorder next;
  bool nextOk = false;
  const bool ok = DownloadFile(server.Url("/a"), Local("a.bin"), nullptr,
                               [&](const std::string&, int, const std::string& message, int) {
                                 rec_.finishes.push_back({"", 0, message, 0});
                                 nextOk = next.Fetch(server.Url("/b"), Local("b.bin"));
                               });
  EXPECT_TRUE(ok);
  EXPECT_TRUE(nextOk);
  EXPECT_EQ(ReadFile(Local("b.bin")), Pattern(50000, 19));

  // Close from inside a download aborts it; the downloader is closed once the download has ended.
  Recorder closing;
  closing.onBlock = [] { ProcessDownloader().Close(); };
  EXPECT_FALSE(closing.Fetch(server.Url("/c"), Local("c.bin")));
  ASSERT_EQ(closing.finishes.size(), 1u);
  EXPECT_EQ(closing.Last().message, "用户中止了下载");
  EXPECT_FALSE(ProcessDownloader().Initialised());
  EXPECT_EQ(ReadFile(Local("c.bin")), Pattern(50000, 19).substr(0, 20480));
}

TEST_F(DownloaderTest, ALocalFileThatCannotBeOpenedIsReported) {
  HttpTestServer server;
  server.SetDefault(HttpReply::Resource(Pattern(100, 9)));
  EXPECT_FALSE(rec_.Fetch(server.Url("/f"), dir_ + "missing-folder\\x.bin"));
  EXPECT_EQ(rec_.Last().message, "本地文件无法打开");
  EXPECT_EQ(server.RequestCount(), 0u);
}

// ---- Real ranges, against nginx ----

class DownloaderNginxTest : public DownloaderTest {
 protected:
  void SetUp() override {
    DownloaderTest::SetUp();
    ASSERT_NE(test::NginxPort(), 0) << test::NginxMissing();
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string folder = std::string("dl-") + info->name();
    fs::remove_all(fs::path(test::NginxRoot() + folder));
    fs::create_directories(fs::path(test::NginxRoot() + folder));
    served_ = test::NginxRoot() + folder + "\\Tarnvel.exe";
    url_ = test::NginxUrl(folder + "/Tarnvel.exe");
  }

  std::string served_;
  std::string url_;
};

TEST_F(DownloaderNginxTest, RealRangesMakeTheWholeFile) {
  const std::string body = Pattern(100003, 10);
  WriteFile(served_, body);
  ASSERT_TRUE(rec_.Fetch(url_, Local())) << rec_.Last().message;
  EXPECT_EQ(ReadFile(Local()), body);
  ASSERT_EQ(rec_.progress.size(), 5u);
  EXPECT_EQ(rec_.progress.back().percent, 100);
  EXPECT_EQ(rec_.progress.front().total, 100003);
  EXPECT_EQ(rec_.Last().message, "下载完毕");
  EXPECT_FALSE(Exists(Local() + ".validator"));
}

TEST_F(DownloaderNginxTest, ACutOffDownloadResumesInALaterRun) {
  const std::string body = Pattern(100003, 11);
  WriteFile(served_, body);
  rec_.onBlock = [] { ProcessDownloader().Abort(); };
  EXPECT_FALSE(rec_.Fetch(url_, Local()));
  EXPECT_EQ(ReadFile(Local()), body.substr(0, 20480));
  EXPECT_TRUE(Exists(Local() + ".validator")) << "the validator outlives the run";

  Recorder later;
  ASSERT_TRUE(later.Fetch(url_, Local())) << later.Last().message;
  EXPECT_EQ(ReadFile(Local()), body);
  // Continued after the first block: its first report already counts two blocks.
  ASSERT_EQ(later.progress.size(), 4u);
  EXPECT_EQ(later.progress.front().percent, 40);
  EXPECT_FALSE(Exists(Local() + ".validator"));
}

TEST_F(DownloaderNginxTest, ACompleteFileIsLeftUnchanged) {
  const std::string body = Pattern(100003, 12);
  WriteFile(served_, body);
  WriteFile(Local(), body);
  const auto written = fs::last_write_time(fs::path(Local()));
  ASSERT_TRUE(rec_.Fetch(url_, Local())) << rec_.Last().message;
  EXPECT_EQ(rec_.Last().message, "下载完毕");
  EXPECT_EQ(rec_.Last().status, 416);
  EXPECT_EQ(rec_.Last().percent, 100);
  EXPECT_TRUE(rec_.progress.empty());
  EXPECT_EQ(ReadFile(Local()), body);
  EXPECT_EQ(fs::last_write_time(fs::path(Local())), written);
}

TEST_F(DownloaderNginxTest, ALongerLocalFileIsFetchedAfresh) {
  const std::string body = Pattern(100003, 13);
  WriteFile(served_, body);
  WriteFile(Local(), body + Pattern(500, 14));
  ASSERT_TRUE(rec_.Fetch(url_, Local())) << rec_.Last().message;
  EXPECT_EQ(ReadFile(Local()), body);
  EXPECT_EQ(rec_.progress.front().percent, 20);
}

TEST_F(DownloaderNginxTest, AFileReplacedOnTheServerIsFetchedAgainFromTheStart) {
  const std::string oldBody = Pattern(100003, 15);
  const std::string newBody = Pattern(90001, 16);  // another size: nginx's ETag changes
  WriteFile(served_, oldBody);
  rec_.onBlock = [] { ProcessDownloader().Abort(); };
  EXPECT_FALSE(rec_.Fetch(url_, Local()));
  ASSERT_EQ(ReadFile(Local()), oldBody.substr(0, 20480));

  WriteFile(served_, newBody);
  Recorder later;
  ASSERT_TRUE(later.Fetch(url_, Local())) << later.Last().message;
  EXPECT_EQ(ReadFile(Local()), newBody);
  EXPECT_EQ(later.progress.front().percent, 22);  // 20480 of 90001: counted from the start
}

TEST_F(DownloaderNginxTest, APartialFileWithoutItsValidatorIsFetchedAfresh) {
  const std::string body = Pattern(100003, 17);
  WriteFile(served_, body);
  WriteFile(Local(), Pattern(30000, 18));  // bytes of some other file
  ASSERT_TRUE(rec_.Fetch(url_, Local())) << rec_.Last().message;
  EXPECT_EQ(ReadFile(Local()), body);
}

}  // namespace
}  // namespace tarnvel
