// The update session against loopback servers: the probe's bytes, compare mode with the
// stand-in RAR tool, direct mode, and every way an update is refused without changing a file.
#include <windows.h>

#include "ui/update_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/dialogs.h"
#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/registry.h"
#include "tests/support/http_test_server_win.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/sandbox.h"
#include "tests/support/update_support_win.h"
#include "update/signature.h"

namespace tarnvel {
namespace {

using test::HttpReply;
using test::HttpTestServer;

const std::string kOldProgram = "the program as it runs now";

class UpdateSessionTest : public testing::Test {
 protected:
  void SetUp() override {
    programDir_ = test::FreshTestDir() + "程序 目录";
    ASSERT_TRUE(MakeDirectory(programDir_));
    ASSERT_TRUE(test::WriteText(programDir_ + "\\Tarnvel.exe", kOldProgram));
    UpdateHooks& hooks = ProcessUpdate().Hooks();
    hooks = UpdateHooks{};
    hooks.programDirectory = programDir_;
    hooks.programName = "Tarnvel.exe";
    hooks.processId = 0x7FFFFFF0;  // no process: the batches are not run here
    hooks.keyGiven = true;
    hooks.publicKey = test::TestPublicKey();
    hooks.runBatch = [this](const std::string& path, const std::string& command) {
      batches_.push_back(path);
      // The command line and the environment the batch would be started with.
      std::string seen = command;
      for (const wchar_t* name : {L"TARNVEL_UPDATE_FOLDER", L"TARNVEL_UPDATE_PROGRAM", L"TARNVEL_UPDATE_RAR",
                                  L"TARNVEL_UPDATE_MEMBER"}) {
        wchar_t value[1024] = {};
        if (GetEnvironmentVariableW(name, value, 1024) != 0) seen += "|" + WideToUtf8(value);
      }
      commands_.push_back(seen);
    };
    hooks.openBrowser = [this](const std::string& url) { browsed_.push_back(url); };
    hooks.endProgram = [this] { ended_ = true; };
    // The stand-in RAR tool, found as the real one is: beside the program its icon names.
    ASSERT_TRUE(RegWrite(kRegClassesRoot, "WinRAR\\DefaultIcon\\",
                         std::string(TARNVEL_PROGRAMS_DIR) + "WinRAR.exe,0"));
  }

  void TearDown() override {
    ProcessUpdate().Close();
    ProcessEvents();
    ProcessUpdate().Hooks() = UpdateHooks{};
  }

  // Lets the update run until its window is gone.
  bool RunUntilClosed() {
    return test::DispatchUntil(
        [] { return !ProcessUpdate().WindowOpen() && !ProcessUpdate().Downloading(); });
  }

  std::vector<std::string> ProgramDirectoryNames() const { return test::Names(programDir_); }

  std::string programDir_;
  std::vector<std::string> batches_;
  std::vector<std::string> commands_;
  std::vector<std::string> browsed_;
  bool ended_ = false;
  ScopedDialogScript dialogs_;
};

std::string Answer(std::int64_t length, bool contentType = true) {
  return "HTTP/1.1 200 OK\r\n" +
         std::string(contentType ? "Content-Type: application/octet-stream\r\n" : "") +
         "Content-Length: " + std::to_string(length) + "\r\nConnection: close\r\n\r\n";
}

TEST_F(UpdateSessionTest, TheProbeIsSentByteForByteToTheUrlsOwnPort) {
  HttpTestServer server;
  server.Script(HttpReply::Raw(Answer(1234)));
  const std::string url = server.Url("/NEW/Tarnvel.rar");
  ASSERT_TRUE(StartUpdate(url));
  ASSERT_TRUE(RunUntilClosed());
  EXPECT_EQ(server.Request(0),
            "GET " + url +
                " HTTP/1.0\r\nAccept: *.*, */*\r\nUser-Agent: Pravix Software Downloader\r\n"
                "Referer: 127.0.0.1:" +
                std::to_string(server.Port()) + "\r\n\r\n");
  EXPECT_EQ(ProcessUpdate().RemoteLength(), 1234);
  // Direct mode, a URL without "exe": the browser gets the archive's URL, nothing is fetched.
  EXPECT_EQ(browsed_, std::vector<std::string>{url});
  EXPECT_EQ(server.RequestCount(), 1u);
  EXPECT_EQ(ProgramDirectoryNames(), std::vector<std::string>{"Tarnvel.exe"});
}

TEST_F(UpdateSessionTest, AUrlWithoutSchemeIsCompletedAndAnExeUrlGoesToTheBrowserAsRar) {
  HttpTestServer server;
  server.Script(HttpReply::Raw(Answer(10)));
  const std::string url = server.Url("/NEW/Tarnvel.exe");
  ASSERT_TRUE(StartUpdate("  " + url.substr(7) + " ", 1, 1, nullptr, 0, 0));
  dialogs_.AnswerMessage(kButtonOk);      // "发现最新版本！"
  dialogs_.AnswerMessage(kButtonCancel);  // manual update: the browser
  ASSERT_TRUE(RunUntilClosed());
  EXPECT_EQ(server.Request(0).rfind("GET " + url + " HTTP/1.0\r\n", 0), 0u) << server.Request(0);
  EXPECT_EQ(browsed_, std::vector<std::string>{server.Url("/NEW/Tarnvel.rar")});
  const auto asked = dialogs_.Messages();
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].message, "发现最新版本！");
  EXPECT_EQ(asked[1].message, "需要自动更新请 [确认]\r\n\r\n需要手动更新请 [取消]。\r\n");
  EXPECT_EQ(asked[1].flags, 0x21);
  EXPECT_EQ(asked[1].caption, "请选择");
}

TEST_F(UpdateSessionTest, AUrlWithoutHostOrFileStartsNothing) {
  for (const char* url : {"http://", "http://example.com", "http:///NEW/Tarnvel.rar"}) {
    EXPECT_FALSE(StartUpdate(url)) << url;
    EXPECT_FALSE(ProcessUpdate().WindowOpen());
  }
  const auto said = dialogs_.Messages();
  ASSERT_EQ(said.size(), 3u);
  EXPECT_EQ(said[0].caption, "错误");
  EXPECT_TRUE(browsed_.empty());
}

TEST_F(UpdateSessionTest, ARefusedConnectionIsSaidAndTheWindowStaysOpen) {
  int port = 0;
  {
    HttpTestServer gone;
    port = gone.Port();
  }
  ASSERT_TRUE(StartUpdate("http://127.0.0.1:" + std::to_string(port) + "/NEW/Tarnvel.rar", 1));
  const auto said = dialogs_.Messages();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].message, "连接服务器失败。");
  EXPECT_EQ(said[0].flags, 16);
  EXPECT_EQ(said[0].caption, "错误信息");
  EXPECT_TRUE(ProcessUpdate().WindowOpen());
}

struct CompareCase {
  const char* what;
  std::string answer;
  const char* notice;
};

class CompareModeAnswers : public UpdateSessionTest, public testing::WithParamInterface<CompareCase> {};

TEST_P(CompareModeAnswers, NoNewVersionIsSaidAndLeavesOnlyTheProgram) {
  HttpTestServer server;
  server.Script(HttpReply::Raw(GetParam().answer));
  ASSERT_TRUE(StartUpdate(server.Url("/NEW/Tarnvel.rar"), 1, 0));
  ASSERT_TRUE(RunUntilClosed());
  const auto said = dialogs_.Messages();
  ASSERT_EQ(said.size(), 1u) << GetParam().what;
  EXPECT_EQ(said[0].message, GetParam().notice) << GetParam().what;
  EXPECT_EQ(said[0].caption, "提示");
  EXPECT_EQ(ProgramDirectoryNames(), std::vector<std::string>{"Tarnvel.exe"})
      << "the measuring archive is gone";
  EXPECT_TRUE(batches_.empty());
}

// The stand-in's archive of the program: its header, one member's head and name, size, data.
std::int64_t ArchiveSizeOfOldProgram() {
  return 6 + 7 + 11 + 8 + static_cast<std::int64_t>(kOldProgram.size());
}

INSTANTIATE_TEST_SUITE_P(
    Table, CompareModeAnswers,
    testing::Values(
        CompareCase{"placeholder size", Answer(83), "已经是最新版本了"},
        CompareCase{"the server's error page", Answer(1308), "服务器连接失败"},
        CompareCase{"no Content-Type: the length stays 0", Answer(5000, false), "已经是最新版本了"},
        CompareCase{"the archive plus four", Answer(ArchiveSizeOfOldProgram() + 4), "已经是最新版本了"}));

TEST_F(UpdateSessionTest, CompareModeAsksWhenTheSizesDifferAndNoLeavesEverything) {
  HttpTestServer server;
  server.Script(HttpReply::Raw(Answer(ArchiveSizeOfOldProgram() + 5)));
  dialogs_.AnswerMessage(kButtonNo);
  ASSERT_TRUE(StartUpdate(server.Url("/NEW/Tarnvel.rar"), 1, 0));
  ASSERT_TRUE(RunUntilClosed());
  const auto asked = dialogs_.Messages();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].message, "发现最新版本！是否立即更新？");
  EXPECT_EQ(asked[0].flags, 0x1064);
  EXPECT_EQ(asked[0].caption, "询问");
  EXPECT_EQ(dialogs_.Beeps(), 1);
  EXPECT_EQ(ProgramDirectoryNames(), std::vector<std::string>{"Tarnvel.exe"});
}

TEST_F(UpdateSessionTest, CompareModeWithLabelOnlyJustSetsTheLabel) {
  HttpTestServer server;
  server.Script(HttpReply::Raw(Answer(ArchiveSizeOfOldProgram() + 100)));
  Label label;
  ASSERT_TRUE(StartUpdate(server.Url("/NEW/Tarnvel.rar"), 1, 0, &label, 1));
  ASSERT_TRUE(RunUntilClosed());
  EXPECT_EQ(label.Text(), "发现新版本");
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(UpdateSessionTest, CompareModeWithoutTheRarToolSaysSoAndCloses) {
  ASSERT_TRUE(RegWrite(kRegClassesRoot, "WinRAR\\DefaultIcon\\", programDir_ + "\\nowhere\\WinRAR.exe,0"));
  HttpTestServer server;
  StartUpdate(server.Url("/NEW/Tarnvel.rar"), 1, 0);
  ASSERT_TRUE(RunUntilClosed());
  const auto said = dialogs_.Messages();
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].message, "你的系统无法支持本程序自动更新功能，请到本站直接下载！");
  EXPECT_EQ(said[0].flags, 0x30);
  EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(UpdateSessionTest, AMissingSignatureEndsTheUpdateBeforeAnythingIsFetched) {
  HttpTestServer server;
  server.Script(HttpReply::Raw(Answer(ArchiveSizeOfOldProgram() + 5)));
  server.Script(HttpReply::Status(404, "Not Found", "no such file"));
  dialogs_.AnswerMessage(kButtonYes);
  ASSERT_TRUE(StartUpdate(server.Url("/NEW/Tarnvel.rar"), 1, 0));
  ASSERT_TRUE(RunUntilClosed());
  ASSERT_EQ(server.RequestCount(), 2u) << ProcessUpdate().LastNotice();
  EXPECT_NE(server.Request(1).find("GET /NEW/Tarnvel.rar.sig "), std::string::npos) << server.Request(1);
  const auto said = dialogs_.Messages();
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.back().caption, "错误");
  EXPECT_EQ(said.back().message, SignatureCheckMessage(SignatureCheck::Missing));
  EXPECT_EQ(ProgramDirectoryNames(), std::vector<std::string>{"Tarnvel.exe"});
  EXPECT_EQ(test::ReadText(programDir_ + "\\Tarnvel.exe"), kOldProgram);
  EXPECT_TRUE(batches_.empty());
  EXPECT_FALSE(ended_);
}

TEST_F(UpdateSessionTest, ABuildWithoutKeyChecksButRefusesToInstallSayingWhy) {
  ProcessUpdate().Hooks().publicKey.clear();
  HttpTestServer server;
  server.Script(HttpReply::Raw(Answer(10)));
  ASSERT_TRUE(StartUpdate(server.Url("/NEW/Tarnvel.exe"), 1));
  dialogs_.AnswerMessage(kButtonOk);
  ASSERT_TRUE(RunUntilClosed());
  const auto said = dialogs_.Messages();
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[1].message, SignatureCheckMessage(SignatureCheck::NoKey));
  EXPECT_EQ(server.RequestCount(), 1u) << "neither the signature nor the file is fetched";
  EXPECT_EQ(ProgramDirectoryNames(), std::vector<std::string>{"Tarnvel.exe"});
}

// Update files served by nginx, fetched by the real downloader.
class SignedUpdateTest : public UpdateSessionTest {
 protected:
  void SetUp() override {
    UpdateSessionTest::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_FALSE(test::NginxUrl("").empty()) << test::NginxMissing();
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    served_ = test::NginxRoot() + "session-" + name + "\\";
    RemoveDirectoryTree(served_);
    ASSERT_TRUE(MakeDirectory(served_));
    url_ = test::NginxUrl("session-" + name + "/");
  }
  void Serve(const std::string& name, const ByteString& bytes) {
    ASSERT_TRUE(test::WriteBytes(served_ + name, bytes));
  }

  std::string served_, url_;
  const ByteString newProgram_ = ByteString{'M', 'Z', 0x90, 0x00, 0x20, 0x00, 0x00, 0x00, 'n', 'e', 'w'};
};

TEST_F(SignedUpdateTest, DirectModeWritesTheBatchBesideTheVerifiedProgramAndEnds) {
  Serve("Tarnvel.exe", newProgram_);
  Serve("Tarnvel.exe.sig", test::SignForTest(newProgram_));
  ASSERT_TRUE(StartUpdate(url_ + "Tarnvel.exe"));
  ASSERT_TRUE(RunUntilClosed());
  ASSERT_EQ(batches_, std::vector<std::string>{programDir_ + "\\update.bat"}) << ProcessUpdate().LastNotice();
  EXPECT_TRUE(ended_);
  EXPECT_EQ(ReadWholeFile(programDir_ + "\\update.exe.tmp"), newProgram_);
  EXPECT_EQ(GetAttributes(programDir_ + "\\update.exe.tmp") & kAttrHidden, 0) << "ren passes hidden files by";
  EXPECT_NE(GetAttributes(programDir_ + "\\update.bat") & kAttrHidden, 0);
  const std::string batch = test::ReadText(programDir_ + "\\update.bat");
  EXPECT_NE(batch.find("ren \"update.exe.tmp\" \"!TARNVEL_UPDATE_PROGRAM!\""), std::string::npos) << batch;
  EXPECT_EQ(commands_, std::vector<std::string>{"cmd.exe /d /c update.bat|" + programDir_ + "|Tarnvel.exe"});
  EXPECT_EQ(test::ReadText(programDir_ + "\\Tarnvel.exe"), kOldProgram)
      << "the batch replaces it, not the program";
}

// A signature in DER form (SEQUENCE of two INTEGERs) of a pair r ‖ s.
ByteString Der(const ByteString& pair) {
  ByteString body;
  for (std::size_t half : {std::size_t{0}, std::size_t{32}}) {
    const bool sign = (pair[half] & 0x80) != 0;
    body.push_back(0x02);
    body.push_back(static_cast<std::uint8_t>(32 + (sign ? 1 : 0)));
    if (sign) body.push_back(0);
    body.insert(body.end(), pair.begin() + half, pair.begin() + half + 32);
  }
  body.insert(body.begin(), {0x30, static_cast<std::uint8_t>(body.size())});
  return body;
}

// Whatever is wrong with the file or its signature (a changed byte, another signature, a
// signature that is no signature: an error page, a cut DER, 63 bytes), the download is deleted,
// the user told why, and nothing else happens.
TEST_F(SignedUpdateTest, ATamperedFileOrAWrongSignatureIsDeletedAndNothingElseHappens) {
  ByteString tampered = newProgram_;
  tampered.back() ^= 1;
  const ByteString good = test::SignForTest(newProgram_);
  ByteString changed = good;
  changed[10] ^= 1;
  const ByteString der = Der(good);
  const std::string page = "<html><body><h1>404 Not Found</h1></body></html>\r\n";
  const struct {
    ByteString body, signature;
    SignatureCheck said;
  } cases[] = {
      {tampered, good, SignatureCheck::Bad},
      {newProgram_, changed, SignatureCheck::Bad},
      {newProgram_, ByteString(64, 0), SignatureCheck::Bad},
      {newProgram_, ByteString(page.begin(), page.end()), SignatureCheck::Malformed},
      {newProgram_, ByteString(der.begin(), der.end() - 1), SignatureCheck::Malformed},
      {newProgram_, ByteString(good.begin(), good.end() - 1), SignatureCheck::Malformed},
  };
  for (const auto& c : cases) {
    Serve("Tarnvel.exe", c.body);
    Serve("Tarnvel.exe.sig", c.signature);
    dialogs_.AnswerMessage(kButtonOk);
    ASSERT_TRUE(StartUpdate(url_ + "Tarnvel.exe"));
    ASSERT_TRUE(RunUntilClosed());
    EXPECT_EQ(ProgramDirectoryNames(), std::vector<std::string>{"Tarnvel.exe"});
    ASSERT_FALSE(dialogs_.Messages().empty());
    EXPECT_EQ(dialogs_.Messages().back().caption, "错误");
    EXPECT_EQ(dialogs_.Messages().back().message, SignatureCheckMessage(c.said)) << c.signature.size();
  }
  EXPECT_TRUE(batches_.empty());
  EXPECT_FALSE(ended_);
}

// Installing ends the program: one that is ready while a run goes on waits for its return.
TEST_F(SignedUpdateTest, AnInstallReadyDuringARunWaitsUntilTheRunHasReturned) {
  Serve("Tarnvel.exe", newProgram_);
  Serve("Tarnvel.exe.sig", test::SignForTest(newProgram_));
  bool running = true;
  ProcessUpdate().Hooks().runInProgress = [&running] { return running; };
  ASSERT_TRUE(StartUpdate(url_ + "Tarnvel.exe"));
  ASSERT_TRUE(test::DispatchUntil([] { return ProcessUpdate().InstallWaiting(); }))
      << ProcessUpdate().LastNotice();
  ProcessUpdate().RunReturned();  // an inner run's return, while the outer one goes on
  EXPECT_TRUE(batches_.empty());
  EXPECT_FALSE(ended_);
  EXPECT_FALSE(StartUpdate(url_ + "Tarnvel.exe")) << "a second update would replace the waiting one";
  running = false;
  ProcessUpdate().RunReturned();
  EXPECT_EQ(batches_, std::vector<std::string>{programDir_ + "\\update.bat"});
  EXPECT_TRUE(ended_);
  EXPECT_EQ(ReadWholeFile(programDir_ + "\\update.exe.tmp"), newProgram_);
}

TEST_F(SignedUpdateTest, CompareModeChecksTheArchiveAndNamesItsMemberInTheBatch) {
  // The served archive, made by the stand-in tool the program uses too.
  Serve("新版 Tarnvel.exe", newProgram_);
  const std::string archive = served_ + "Tarnvel.rar";
  ASSERT_TRUE(test::RunAndWait("\"" + std::string(TARNVEL_PROGRAMS_DIR) + "rar.exe\" a -m3 \"" + archive +
                               "\" \"" + served_ + "新版 Tarnvel.exe\""));
  Serve("Tarnvel.rar.sig", test::SignForTest(ReadWholeFile(archive)));
  dialogs_.AnswerMessage(kButtonYes);
  ASSERT_TRUE(StartUpdate(url_ + "Tarnvel.rar", 1, 0));
  ASSERT_TRUE(RunUntilClosed());
  ASSERT_EQ(batches_.size(), 1u) << ProcessUpdate().LastNotice();
  EXPECT_EQ(ReadWholeFile(programDir_ + "\\update.rar"), ReadWholeFile(archive));
  const std::string batch = test::ReadText(programDir_ + "\\update.bat");
  EXPECT_NE(batch.find("move /y \"update.new\\!TARNVEL_UPDATE_MEMBER!\" \"!TARNVEL_UPDATE_PROGRAM!\""),
            std::string::npos)
      << batch;
  EXPECT_EQ(commands_,
            std::vector<std::string>{"cmd.exe /d /c update.bat|" + programDir_ + "|Tarnvel.exe|" +
                                     std::string(TARNVEL_PROGRAMS_DIR) + "rar.exe|新版 Tarnvel.exe"});
}

}  // namespace
}  // namespace tarnvel

namespace tarnvel {
namespace {

// The session the thread timer below aborts, once the server holds the download's first block.
HttpTestServer* stalledServer = nullptr;
int abortTicks = 0;

void CALLBACK AbortOnceTheBlockIsAwaited(HWND, UINT, UINT_PTR timer, DWORD) {
  if (stalledServer == nullptr || stalledServer->RequestCount() < 3) return;
  ++abortTicks;
  KillTimer(nullptr, timer);
  ProcessUpdate().AbortDownload();
}

TEST_F(UpdateSessionTest, TheWindowStaysResponsiveDuringADownloadAndItsAbortEndsIt) {
  HttpTestServer server;
  server.Script(HttpReply::Raw(Answer(10)));
  server.Script(HttpReply::Status(200, "OK", std::string(64, 'x')));
  server.Script(HttpReply::Stall());
  stalledServer = &server;
  abortTicks = 0;
  // A timer of the thread: it ticks only while someone dispatches the thread's messages.
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, AbortOnceTheBlockIsAwaited);
  ASSERT_NE(timer, 0u);
  ASSERT_TRUE(StartUpdate(server.Url("/NEW/Tarnvel.exe")));
  ASSERT_TRUE(test::DispatchUntil([] { return abortTicks > 0 && !ProcessUpdate().Downloading(); }));
  stalledServer = nullptr;
  EXPECT_EQ(abortTicks, 1);
  EXPECT_TRUE(ProcessUpdate().WindowOpen()) << "a failed download leaves the window to its user";
  EXPECT_TRUE(batches_.empty());
  EXPECT_FALSE(ended_);
  EXPECT_EQ(test::ReadText(programDir_ + "\\Tarnvel.exe"), kOldProgram);
  server.ReleaseStalled();
}

}  // namespace
}  // namespace tarnvel
