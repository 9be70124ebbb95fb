// The update's platform-free texts and decisions: the probe and its answer, versions, sizes,
// the installer batches and the archive's member names.
#include "update/update_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnvel {
namespace {

struct ProbeAnswerCase {
  const char* what;
  std::string arrival;
  std::int64_t expected;  // remoteLength afterwards, starting from 77
  bool set;
};

class ProbeAnswer : public ::testing::TestWithParam<ProbeAnswerCase> {};

TEST_P(ProbeAnswer, SetsTheLengthOnlyFromAHeaderBlockWithContentType) {
  const ProbeAnswerCase& c = GetParam();
  std::int64_t remoteLength = 77;
  EXPECT_EQ(ParseProbeResponse(c.arrival, remoteLength), c.set) << c.what;
  EXPECT_EQ(remoteLength, c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProbeAnswer,
    ::testing::Values(
        ProbeAnswerCase{
            "a file",
            "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 123456\r\n\r\nRar!",
            123456, true},
        ProbeAnswerCase{"no Content-Type in the first packet",
                        "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", 77, false},
        ProbeAnswerCase{"Content-Type in other letter case is not it",
                        "HTTP/1.1 200 OK\r\ncontent-type: text/plain\r\nContent-Length: 5\r\n\r\n", 77,
                        false},
        ProbeAnswerCase{"length name in any case, blanks around the value",
                        "HTTP/1.0 200 OK\r\nContent-Type: x\r\ncontent-LENGTH:   42  \r\n\r\n", 42, true},
        ProbeAnswerCase{
            "the server's error page",
            "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 1308\r\n\r\n<html>", 1308,
            true},
        ProbeAnswerCase{"placeholder answer",
                        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 83\r\n\r\n", 83, true},
        ProbeAnswerCase{"a length only in the body is not read",
                        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nContent-Length: 9\r\n", 77,
                        false},
        ProbeAnswerCase{"head cut off after the length line",
                        "HTTP/1.1 200 OK\r\nContent-Type: a\r\nContent-Length: 99", 99, true},
        ProbeAnswerCase{"no length at all", "HTTP/1.1 200 OK\r\nContent-Type: a\r\n\r\n", 77, false},
        // Read as the download reads it: the Content-Length line itself, a plain number.
        ProbeAnswerCase{"a value that is no number",
                        "HTTP/1.1 200 OK\r\nContent-Type: a\r\nContent-Length: x\r\n\r\n", 77, false},
        ProbeAnswerCase{
            "a huge value",
            "HTTP/1.1 200 OK\r\nContent-Type: a\r\nContent-Length: 99999999999999999999999\r\n\r\n", 77,
            false},
        ProbeAnswerCase{
            "another header's name ending in it",
            "HTTP/1.1 200 OK\r\nX-Content-Length: 83\r\nContent-Type: a\r\nContent-Length: 5\r\n\r\n", 5,
            true},
        ProbeAnswerCase{"a negative value",
                        "HTTP/1.1 200 OK\r\nContent-Type: a\r\nContent-Length: -5\r\n\r\n", 77, false},
        ProbeAnswerCase{"digits and more",
                        "HTTP/1.1 200 OK\r\nContent-Type: a\r\nContent-Length: 12abc\r\n\r\n", 77, false},
        ProbeAnswerCase{"empty arrival", "", 77, false}));

TEST(UpdateSizes, TheArchivePlusFourEqualToTheServersSizeIsNoNewVersion) {
  EXPECT_FALSE(SizeShowsNewVersion(1000, 1004));
  EXPECT_TRUE(SizeShowsNewVersion(1000, 1005));
  EXPECT_TRUE(SizeShowsNewVersion(1000, 1003));
  // The server's error and placeholder sizes never count as an update.
  for (std::int64_t answer : {-1, 0, 83, 1308}) EXPECT_FALSE(SizeShowsNewVersion(5000, answer)) << answer;
}

TEST(UpdateVersions, TheCheckComparesNumbersAndTheCommandComparesTexts) {
  EXPECT_FALSE(VersionIsOffered("2.50")) << "2.50 equals 2.5 as a number";
  EXPECT_TRUE(VersionTextDiffers("2.50")) << "but not as a text";
  EXPECT_TRUE(VersionIsOffered("2.4")) << "an older version counts as new";
  EXPECT_TRUE(VersionIsOffered("3"));
  EXPECT_FALSE(VersionIsOffered("2.5"));
  EXPECT_FALSE(VersionTextDiffers("2.5"));
  // What a failed fetch or an error page gives is no version: nothing is offered.
  for (const char* noVersion : {"", " ", "<html>", "2..5", ".5", "2.", "2.5b", "v3"}) {
    EXPECT_FALSE(VersionIsOffered(noVersion)) << noVersion;
    EXPECT_FALSE(VersionTextDiffers(noVersion)) << noVersion;
  }
}

TEST(UpdateVersions, TheVersionIsTheTextAfterTheLastMark) {
  EXPECT_EQ(LatestVersionFromPage("Orvane<>2.4<>2.6\r\n"), "2.6");
  EXPECT_EQ(LatestVersionFromPage("<> 3.0\t"), "3.0");
  EXPECT_EQ(LatestVersionFromPage("2.6"), "");
  EXPECT_EQ(LatestVersionFromPage("a<>"), "");
  // A page whose text is no short dotted number offers nothing, and the label says so.
  for (const std::string& page :
       {std::string("<>2.6 beta"), std::string("<><html>"), "<>" + std::string(100000, '9')}) {
    EXPECT_EQ(LatestVersionFromPage(page), "") << page.substr(0, 20);
  }
  EXPECT_EQ(UpdateLabelText("2.6"), "这里更新到 V:2.6");
  EXPECT_EQ(UpdateLabelText(""), "未能取得发布的版本");
}

TEST(UpdateUrls, AUrlWithoutSchemeGetsHttpAndItsBlanksTrimmed) {
  EXPECT_EQ(CompleteUpdateUrl("  example.com/NEW/Tarnvel.rar "), "http://example.com/NEW/Tarnvel.rar");
  EXPECT_EQ(CompleteUpdateUrl("http://example.com/NEW/Tarnvel.rar"), "http://example.com/NEW/Tarnvel.rar");
  EXPECT_EQ(CompleteUpdateUrl("https://example.com/a"), "https://example.com/a");
}

TEST(UpdateUrls, TheProbeGoesToTheUrlsHostAndPortAndNeedsAFile) {
  auto plain = ProbeTargetOf("http://Update.Example.com/NEW/Tarnvel.rar");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->host, "update.example.com");
  EXPECT_EQ(plain->port, 80);
  EXPECT_EQ(plain->refererHost, "Update.Example.com");
  EXPECT_FALSE(plain->secure);

  auto withPort = ProbeTargetOf("http://127.0.0.1:8123/NEW/Tarnvel.rar");
  ASSERT_TRUE(withPort);
  EXPECT_EQ(withPort->host, "127.0.0.1");
  EXPECT_EQ(withPort->port, 8123);
  EXPECT_EQ(withPort->refererHost, "127.0.0.1:8123");

  auto secure = ProbeTargetOf("https://example.com/x.exe");
  ASSERT_TRUE(secure);
  EXPECT_TRUE(secure->secure);
  EXPECT_EQ(secure->port, 443);

  for (const char* bad : {"http://example.com", "http:///NEW/x", "ftp://example.com/x", "example.com/x",
                          "http://:80/x", "http://a b/x", "http://h:99999/x"}) {
    EXPECT_FALSE(ProbeTargetOf(bad)) << bad;
  }
}

TEST(UpdateUrls, TheProbeIsAnHttp10RequestWithTheAbsoluteUrlAndNoHostLine) {
  const std::string url = "http://127.0.0.1:8123/NEW/Tarnvel.rar";
  EXPECT_EQ(ProbeRequestText(url, *ProbeTargetOf(url)),
            "GET http://127.0.0.1:8123/NEW/Tarnvel.rar HTTP/1.0\r\n"
            "Accept: *.*, */*\r\n"
            "User-Agent: Pravix Software Downloader\r\n"
            "Referer: 127.0.0.1:8123\r\n\r\n");
  EXPECT_EQ(SignatureUrlOf("http://h/NEW/Tarnvel.rar"), "http://h/NEW/Tarnvel.rar.sig");
}

TEST(UpdateStatus, SizePercentAndSpeedOnTheirOwnLines) {
  EXPECT_EQ(UpdateStatusText(2048 * 1024, 35, 40),
            "更新大小：2.00 MB \r\n\r\n当前进度：40%\r\n\r\n当前速度：35 KB/S");
}

TEST(UpdateNames, OnlyAPlainNameMayBeRenamedOrDeletedByTheBatch) {
  for (const char* good : {"Tarnvel.exe", "新 程序.exe", "a%b.exe", "x"})
    EXPECT_TRUE(IsPlainFileName(good)) << good;
  for (const char* bad :
       {"", ".", "..", "..\\x.exe", "a/b", "C:x", "a*", "a?", "a\"b", "a|b", "a\rb", "<x>"}) {
    EXPECT_FALSE(IsPlainFileName(bad)) << bad;
  }
}

TEST(UpdateNames, TheRarToolLiesBesideTheProgramItsIconNames) {
  EXPECT_EQ(RarPathFromIconValue("C:\\Program Files\\WinRAR\\WinRAR.exe,0"),
            "C:\\Program Files\\WinRAR\\rar.exe");
  EXPECT_EQ(RarPathFromIconValue("\"D:\\工具\\WinRAR.exe\",0"), "D:\\工具\\rar.exe");
  EXPECT_EQ(RarPathFromIconValue(""), "rar.exe");
  EXPECT_EQ(RarPathFromIconValue("WinRAR.exe,0"), "rar.exe");
  // A value that starts with a blank kept its quote, and the update never installed.
  EXPECT_EQ(RarPathFromIconValue(" \"D:\\工具\\WinRAR.exe\",0"), "D:\\工具\\rar.exe");
  EXPECT_EQ(RarPathFromIconValue("\"C:\\A\"\\B.exe"), "C:\\A\\rar.exe");
}

TEST(UpdateBatch, DirectModeChangesIntoTheProgramsDirectoryAndQuotesEveryPath) {
  const InstallBatch batch = DirectInstallBatch({"Z:\\程序 目录\\50%", "Tarnvel 新.exe", 4242});
  EXPECT_EQ(batch.text,
            "@echo off\r\n"
            "cd /d \"%~1\"\r\n"
            "taskkill /f /pid 4242 >nul 2>&1\r\n"
            "set tries=0\r\n"
            ":wait\r\n"
            "del /f /q \"%~2\" >nul 2>&1\r\n"
            "if not exist \"%~2\" goto replace\r\n"
            "set /a tries+=1\r\n"
            "if %tries% lss 3000 goto wait\r\n"
            "goto end\r\n"
            ":replace\r\n"
            "ren \"update.exe.tmp\" \"%~2\"\r\n"
            "start \"\" \"%~2\"\r\n"
            ":end\r\n"
            "attrib -a -s -r -h \"update.bat\"\r\n"
            "del /f /q \"update.bat\"\r\n"
            "exit");
  // Names and paths go as arguments, exactly as they are.
  EXPECT_EQ(batch.arguments, (std::vector<std::string>{"Z:\\程序 目录\\50%", "Tarnvel 新.exe"}));
  EXPECT_EQ(InstallBatchCommand(batch), "cmd.exe /d /c update.bat \"Z:\\程序 目录\\50%\" \"Tarnvel 新.exe\"");
}

TEST(UpdateBatch, ArchiveModeUnpacksBesideTheProgramAndReplacesItOnlyWhenTheMemberIsThere) {
  const InstallBatch batch = ArchiveInstallBatch({"Z:\\同步 工具", "Tarnvel.exe", 7},
                                                 "C:\\Program Files\\WinRAR\\rar.exe", "Tarnvel 2.6.exe");
  EXPECT_EQ(batch.text,
            "@echo off\r\n"
            "cd /d \"%~1\"\r\n"
            "\"%~3\" x -y \"%~1\\update.rar\" \"%~1\\update.new\\\\\" >nul 2>&1\r\n"
            "if not exist \"update.new\\%~4\" goto keep\r\n"
            "taskkill /f /pid 7 >nul 2>&1\r\n"
            "set tries=0\r\n"
            ":wait\r\n"
            "del /f /q \"%~2\" >nul 2>&1\r\n"
            "if not exist \"%~2\" goto replace\r\n"
            "set /a tries+=1\r\n"
            "if %tries% lss 3000 goto wait\r\n"
            "goto end\r\n"
            ":replace\r\n"
            "move /y \"update.new\\%~4\" \"%~2\" >nul\r\n"
            "rd /s /q \"update.new\"\r\n"
            "del /f /q \"update.rar\"\r\n"
            "start \"\" \"%~2\"\r\n"
            "goto end\r\n"
            ":keep\r\n"
            "rd /s /q \"update.new\"\r\n"
            "del /f /q \"update.rar\"\r\n"
            "start \"\" \"%~2\"\r\n"
            ":end\r\n"
            "attrib -a -s -r -h \"update.bat\"\r\n"
            "del /f /q \"update.bat\"\r\n"
            "exit");
  EXPECT_EQ(batch.arguments,
            (std::vector<std::string>{"Z:\\同步 工具", "Tarnvel.exe", "C:\\Program Files\\WinRAR\\rar.exe",
                                      "Tarnvel 2.6.exe"}));
  for (char c : batch.text)
    EXPECT_LT(static_cast<unsigned char>(c), 0x80) << "the batch itself is plain ASCII";

  // A drive root is its root, not its current directory, and never ends in the backslash that
  // would escape the quote after it.
  EXPECT_EQ(ArchiveInstallBatch({"Y:", "Tarnvel.exe", 7}, "rar.exe", "Tarnvel.exe").arguments.front(),
            "Y:\\.");
  EXPECT_EQ(DirectInstallBatch({"Z:\\a\\", "T.exe", 1}).arguments.front(), "Z:\\a");
}

ByteString Member(const std::string& name, const std::string& data) {
  ByteString bytes = {0x55, static_cast<std::uint8_t>(name.size()), 0x00, 0x20, 0x00, 0x00, 0x00};
  bytes.insert(bytes.end(), name.begin(), name.end());
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

TEST(RarMembers, NamesFollowEachAttributeFieldWithTheirLengthTwoBytesBefore) {
  ByteString archive = {'R', 'a', 'r', '!'};
  for (const auto& [name, data] :
       std::vector<std::pair<std::string, std::string>>{{"Tarnvel.exe", "MZ..."}, {"说明.txt", "text"}}) {
    const ByteString member = Member(name, data);
    archive.insert(archive.end(), member.begin(), member.end());
  }
  int hits = 0;
  EXPECT_EQ(RarMemberNames(archive, [&] { ++hits; }), "Tarnvel.exe;说明.txt");
  EXPECT_EQ(hits, 2);
  EXPECT_EQ(FirstMemberName("Tarnvel.exe;说明.txt"), "Tarnvel.exe");
  EXPECT_EQ(FirstMemberName(""), "");
}

TEST(RarMembers, OddArchivesEndAndGiveOnlyWhatTheyHold) {
  EXPECT_EQ(RarMemberNames({}), "");
  // A mark at the very start has no length byte before it.
  EXPECT_EQ(RarMemberNames({0x20, 0x00, 0x00, 0x00, 'a'}), "");
  // A length of 0 moves the search on instead of finding the same mark for ever.
  EXPECT_EQ(RarMemberNames({0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00}), "");
  // A name holding the separator would read as two names: it is left out.
  EXPECT_EQ(RarMemberNames(
                {0x03, 0x00, 0x20, 0x00, 0x00, 0x00, 'a', ';', 'b', 0x01, 0x00, 0x20, 0x00, 0x00, 0x00, 'c'}),
            "c");
  // A name cut off by the end of the file.
  EXPECT_EQ(RarMemberNames({0x09, 0x00, 0x20, 0x00, 0x00, 0x00, 'a', 'b'}), "ab");
}

}  // namespace
}  // namespace tarnvel
