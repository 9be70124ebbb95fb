// HttpRequest against the in-process loopback server: the bytes that go out, what comes back,
// and how a call ends when the server fails it.
#include "update/http_request.h"

#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tests/support/http_test_server_win.h"

namespace tarnvel {
namespace {

using test::HttpReply;
using test::HttpTestServer;

const std::string kAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";

std::string Text(const ByteString& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string Head(const std::string& request) { return request.substr(0, request.find("\r\n\r\n") + 4); }

// The cookies the process's store holds for a URL, read straight from the Internet client.
std::string StoredCookies(const wchar_t* url) {
  wchar_t buffer[4096];
  DWORD size = sizeof buffer;
  if (!InternetGetCookieW(url, nullptr, buffer, &size)) return "";
  std::wstring wide(buffer);
  return std::string(wide.begin(), wide.end());  // the test's cookies are ASCII
}

class HttpRequestTest : public testing::Test {
 protected:
  HttpTestServer server_;
  std::string headers_, error_;

  ByteString Get(const std::string& path, const std::string& extra = "", const std::string& method = "") {
    return HttpRequest(server_.Url(path), method, "  ", "", "", extra, "", 20, &headers_, &error_);
  }
};

TEST_F(HttpRequestTest, GetSendsTheCallersLinesThenTheDefaultsInOrder) {
  server_.Script(HttpReply::Status(200, "OK", "hello", {"X-Served: yes"}));
  const ByteString body = Get("/a/b?c=1", "X-Mine: 1\r\n");
  EXPECT_EQ(error_, "");
  EXPECT_EQ(Text(body), "hello");
  EXPECT_EQ(headers_.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << headers_;
  EXPECT_NE(headers_.find("\r\nX-Served: yes\r\n"), std::string::npos) << headers_;

  const std::string request = server_.Request(0);
  EXPECT_EQ(request.rfind("GET /a/b?c=1 HTTP/1.1\r\n", 0), 0u) << request;
  const std::string ours =
      "X-Mine: 1\r\n" + kAccept + "Referer: " + server_.Url("/a/b?c=1") + "\r\nAccept-Language: zh-cn\r\n";
  EXPECT_NE(request.find("\r\n" + ours), std::string::npos) << request;
  EXPECT_NE(request.find("\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"),
            std::string::npos)
      << request;
  EXPECT_NE(request.find("\r\nHost: 127.0.0.1:" + std::to_string(server_.Port()) + "\r\n"),
            std::string::npos);
  EXPECT_EQ(request.find("Content-"), std::string::npos) << request;
  EXPECT_EQ(Head(request), request) << "a GET carries no body";
}

TEST_F(HttpRequestTest, MethodTextGoesOutAsGivenAndGivenLinesAreNotRepeated) {
  server_.SetDefault(HttpReply::Status(200, "OK", "ok"));
  Get("/lower", "", "get");
  Get("/mine", "referer: http://elsewhere/\r\naccept-language: en\r\n");
  const std::string lower = server_.Request(0), mine = server_.Request(1);
  EXPECT_EQ(lower.rfind("get /lower HTTP/1.1\r\n", 0), 0u) << lower;
  EXPECT_EQ(mine.find("Referer: http://127.0.0.1"), std::string::npos) << mine;
  EXPECT_EQ(mine.find("Accept-Language: zh-cn"), std::string::npos) << mine;
  EXPECT_NE(mine.find("\r\nreferer: http://elsewhere/\r\naccept-language: en\r\n" + kAccept),
            std::string::npos)
      << mine;
}

TEST_F(HttpRequestTest, PostSendsItsBodyAfterTheContentLines) {
  server_.Script(HttpReply::Status(200, "OK", "posted"));
  server_.Script(HttpReply::Status(200, "OK", "empty"));
  const ByteString body =
      HttpRequest(server_.Url("/form"), "post", "", "", "", "X-Mine: 1\r\n", "a=中", 20, &headers_, &error_);
  EXPECT_EQ(error_, "");
  EXPECT_EQ(Text(body), "posted");
  const std::string request = server_.Request(0);
  EXPECT_EQ(request.rfind("post /form HTTP/1.1\r\n", 0), 0u) << "the verb keeps its letter case";
  const std::string ours = "X-Mine: 1\r\n" + kAccept + "Referer: " + server_.Url("/form") +
                           "\r\nAccept-Language: zh-cn\r\n"
                           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 5\r\n";
  EXPECT_NE(request.find("\r\n" + ours), std::string::npos) << request;
  EXPECT_EQ(request.substr(Head(request).size()), "a=中");

  HttpRequest(server_.Url("/form"), "POST", "", "", "", "", "", 20, nullptr, &error_);
  EXPECT_EQ(error_, "");
  const std::string empty = server_.Request(1);
  EXPECT_EQ(empty.rfind("POST /form HTTP/1.1\r\n", 0), 0u) << empty;
  EXPECT_EQ(empty.find("Content-Type:"), std::string::npos) << empty;
}

TEST_F(HttpRequestTest, AStalledServerIsAnsweredByTheTimeOutWhileATimerTicks) {
  server_.Script(HttpReply::Stall());
  // Should the call never give up, the server lets go after a while, and the call then ends
  // with a broken answer instead of the time-out: the test fails instead of hanging.
  std::mutex mutex;
  std::condition_variable done;
  bool returned = false;
  std::thread guard([&] {
    std::unique_lock lock(mutex);
    if (!done.wait_for(lock, std::chrono::seconds(40), [&] { return returned; })) server_.ReleaseStalled();
  });
  static int ticks = 0;
  ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  ASSERT_NE(timer, 0u);

  const ByteString body = HttpRequest(server_.Url("/slow"), "", "", "", "", "", "", 2, &headers_, &error_);
  KillTimer(nullptr, timer);
  {
    std::lock_guard lock(mutex);
    returned = true;
  }
  done.notify_all();
  guard.join();

  EXPECT_TRUE(body.empty());
  EXPECT_EQ(headers_, "");
  EXPECT_NE(error_.find("within 2 s"), std::string::npos) << error_;
  EXPECT_GT(ticks, 0) << "window messages were dispatched during the wait";
  EXPECT_EQ(server_.RequestCount(), 1u);
  // The worker was not killed: its handles were closed and it ends by itself.
  for (int i = 0; i < 400 && HttpWorkersRunning() > 0; ++i) Sleep(50);
  EXPECT_EQ(HttpWorkersRunning(), 0);
}

TEST_F(HttpRequestTest, AHeaderBlockLongerThan1024BytesComesBackWhole) {
  const std::string line = "X-Long: " + std::string(1500, 'h');
  server_.Script(HttpReply::Status(200, "OK", "x", {line, "X-After: end"}));
  EXPECT_EQ(Text(Get("/long")), "x");
  EXPECT_EQ(error_, "");
  EXPECT_NE(headers_.find("\r\n" + line + "\r\n"), std::string::npos) << headers_.size();
  EXPECT_NE(headers_.find("\r\nX-After: end\r\n"), std::string::npos);
  EXPECT_EQ(headers_.substr(headers_.size() - 4), "\r\n\r\n");
}

TEST_F(HttpRequestTest, CookiesFromSetCookieAreStoredAndSentAgain) {
  server_.Script(HttpReply::Status(200, "OK", "", {"Set-Cookie: tvA=one; path=/", "Set-Cookie: tvB=two"}));
  server_.Script(HttpReply::Status(200, "OK", "again"));
  Get("/set");
  EXPECT_EQ(error_, "");
  const std::string stored = StoredCookies(L"http://127.0.0.1/");
  EXPECT_NE(stored.find("tvA=one"), std::string::npos) << stored;
  EXPECT_NE(stored.find("tvB=two"), std::string::npos) << stored;
  Get("/next");
  const std::string second = server_.Request(1);
  const std::size_t cookie = second.find("\r\nCookie: ");
  ASSERT_NE(cookie, std::string::npos) << second;
  const std::string cookieLine = second.substr(cookie + 2, second.find("\r\n", cookie + 2) - cookie - 2);
  EXPECT_NE(cookieLine.find("tvA=one"), std::string::npos) << cookieLine;
  EXPECT_NE(cookieLine.find("tvB=two"), std::string::npos) << cookieLine;
}

TEST_F(HttpRequestTest, ErrorStatusesAreAnswersNotFailures) {
  server_.Script(HttpReply::Status(404, "Not Found", "gone"));
  server_.Script(HttpReply::Status(500, "Internal Server Error", ""));
  EXPECT_EQ(Text(Get("/missing")), "gone");
  EXPECT_EQ(error_, "");
  EXPECT_EQ(headers_.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u) << headers_;
  EXPECT_TRUE(Get("/broken").empty());
  EXPECT_EQ(error_, "") << "an empty body of a real answer is no failure";
  EXPECT_EQ(headers_.rfind("HTTP/1.1 500 ", 0), 0u) << headers_;
}

TEST_F(HttpRequestTest, EveryRequestGoesToTheServerEvenWhenTheAnswerMayBeCached) {
  server_.SetDefault(HttpReply::Status(
      200, "OK", "same",
      {"Cache-Control: public, max-age=3600", "Last-Modified: Mon, 01 Jan 2024 00:00:00 GMT"}));
  EXPECT_EQ(Text(Get("/cached")), "same");
  EXPECT_EQ(Text(Get("/cached")), "same");
  EXPECT_EQ(server_.RequestCount(), 2u);
}

TEST_F(HttpRequestTest, ANamedProxyGetsTheWholeUrl) {
  server_.Script(HttpReply::Status(200, "OK", "via proxy"));
  const std::string proxy = " 127.0.0.1:" + std::to_string(server_.Port()) + " ";
  const ByteString body =
      HttpRequest("http://Tarnvel.Invalid/p?q=1", "", proxy, "", "", "", "", 20, &headers_, &error_);
  EXPECT_EQ(error_, "");
  EXPECT_EQ(Text(body), "via proxy");
  const std::string request = server_.Request(0);
  // the request line names the whole URL (the client may spell out the default port)
  const std::string line = request.substr(0, request.find("\r\n"));
  EXPECT_EQ(line.rfind("GET http://tarnvel.invalid", 0), 0u) << request;
  EXPECT_EQ(line.substr(line.size() - 15), "/p?q=1 HTTP/1.1") << request;
  EXPECT_NE(request.find("\r\nReferer: http://Tarnvel.Invalid/p?q=1\r\n"), std::string::npos) << request;
}

TEST_F(HttpRequestTest, CredentialsAnswerTheServersChallenge) {
  server_.Script(HttpReply::Status(401, "Unauthorized", "who?", {"WWW-Authenticate: Basic realm=\"t\""}));
  server_.SetDefault(HttpReply::Status(200, "OK", "welcome"));
  const ByteString body =
      HttpRequest(server_.Url("/private"), "", "", "user", "pw", "", "", 20, &headers_, &error_);
  EXPECT_EQ(error_, "");
  EXPECT_EQ(Text(body), "welcome");
  const std::string last = server_.Request(server_.RequestCount() - 1);
  EXPECT_NE(last.find("\r\nAuthorization: Basic dXNlcjpwdw==\r\n"), std::string::npos) << last;
}

TEST_F(HttpRequestTest, FailuresAreReportedNeverAnEmptySuccess) {
  // a method other than GET or POST: refused before anything is sent
  EXPECT_TRUE(Get("/put", "", "PUT").empty());
  EXPECT_NE(error_.find("PUT"), std::string::npos) << error_;
  EXPECT_EQ(headers_, "");
  EXPECT_EQ(server_.RequestCount(), 0u);

  // nobody listens on the port any more
  std::string closedUrl;
  {
    HttpTestServer gone;
    closedUrl = gone.Url("/");
  }
  EXPECT_TRUE(HttpRequest(closedUrl, "", "", "", "", "", "", 20, &headers_, &error_).empty());
  EXPECT_NE(error_, "");

  // the server hangs up half-way through its answer
  server_.Script(HttpReply::Drop("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc", 43));
  EXPECT_TRUE(Get("/drop").empty());
  EXPECT_NE(error_, "");
  EXPECT_EQ(headers_, "");
}

TEST(HttpRequestBlock, AWorkerLeavesABlockWithoutItsMarkerAlone) {
  EXPECT_FALSE(HttpRequestWorker(0));
  const FileNumber block = FileOpenMemory();
  ASSERT_NE(block, 0);
  ASSERT_TRUE(WriteData(block, "NotWho", "http://127.0.0.1:1/", "", "", "", "", "", ""));
  const std::int64_t length = FileLength(block);
  EXPECT_FALSE(HttpRequestWorker(block));
  EXPECT_EQ(FileLength(block), length);
  SeekStart(block);
  EXPECT_EQ(ReadLine(block), "NotWho");
  CloseFile(block);
}

TEST(HttpRequestBlock, AWorkerEmptiesTheBlockAndWritesItsAnswer) {
  HttpTestServer server;
  server.Script(HttpReply::Status(200, "OK", "body"));
  const FileNumber block = FileOpenMemory();
  ASSERT_TRUE(WriteData(block, "MissWho", server.Url("/w"), "GET", "", "", "", "", ""));
  EXPECT_TRUE(HttpRequestWorker(block));
  // read back with the block's own byte layout: marker, headers, zero bytes between, then the
  // body's 4-byte length and its bytes
  SeekStart(block);
  const ByteString all = ReadBytes(block, FileLength(block));
  const std::string raw(all.begin(), all.end());
  EXPECT_EQ(raw.rfind(std::string("MissWho_OK\0HTTP/1.1 200 OK\r\n", 28), 0), 0u);
  EXPECT_EQ(raw.substr(raw.size() - 9), std::string("\0\4\0\0\0body", 9));
  CloseFile(block);
}

}  // namespace
}  // namespace tarnvel
