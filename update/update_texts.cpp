#include "update/update_texts.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "runtime/convert.h"
#include "runtime/text.h"
#include "sync/file_info.h"
#include "update/http_text.h"
#include "update/url.h"

namespace tarnvel {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = text[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (a != prefix[i]) return false;
  }
  return true;
}

bool ContainsIgnoringCase(std::string_view text, std::string_view sought) {
  return FindText(text, sought, 1, true) > 0;
}

std::string_view TrimLineBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The program's directory as the batch's first argument: never ending in a backslash, since the
// batch appends names and a quote to it ("X:\." for a drive's root: "X:" alone is the drive's
// current directory for cmd).
std::string BatchDirectory(std::string_view directory) {
  std::string dir(directory);
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  if (dir.size() == 2 && dir[1] == ':') dir += "\\.";
  return dir;
}

// The lines both batches share at their start: into the program's directory, end this program,
// and wait (a bounded number of tries) until its file can be deleted.
std::string BatchHead(const InstallPlace& place) {
  return "@echo off\r\n"
         "cd /d \"%~1\"\r\n"
         "taskkill /f /pid " +
         std::to_string(place.processId) +
         " >nul 2>&1\r\n"
         "set tries=0\r\n"
         ":wait\r\n"
         "del /f /q \"%~2\" >nul 2>&1\r\n"
         "if not exist \"%~2\" goto replace\r\n"
         "set /a tries+=1\r\n"
         "if %tries% lss 3000 goto wait\r\n"
         "goto end\r\n"
         ":replace\r\n";
}

std::string BatchTail() {
  return ":end\r\n"
         "attrib -a -s -r -h \"update.bat\"\r\n"
         "del /f /q \"update.bat\"\r\n"
         "exit";
}

}  // namespace

std::string CompleteUpdateUrl(std::string_view url) {
  if (ContainsIgnoringCase(url, "http://") || ContainsIgnoringCase(url, "https://")) return std::string(url);
  return "http://" + TrimBoth(url);
}

std::optional<ProbeTarget> ProbeTargetOf(std::string_view url) {
  ProbeTarget target;
  std::size_t hostStart = 0;
  if (StartsWithIgnoringCase(url, "http://")) {
    hostStart = 7;
  } else if (StartsWithIgnoringCase(url, "https://")) {
    hostStart = 8;
    target.secure = true;
  } else {
    return std::nullopt;
  }
  const std::size_t slash = url.find('/', hostStart);
  if (slash == std::string_view::npos || slash == hostStart) return std::nullopt;
  target.refererHost = std::string(url.substr(hostStart, slash - hostStart));
  target.host = UrlHost(url);
  target.port = UrlPort(url);
  if (target.host.empty() || target.port <= 0 || target.port > 65535) return std::nullopt;
  for (char c : target.refererHost) {
    if (static_cast<unsigned char>(c) < 0x21) return std::nullopt;
  }
  return target;
}

std::string ProbeRequestText(std::string_view url, const ProbeTarget& target) {
  return "GET " + std::string(url) +
         " HTTP/1.0\r\nAccept: *.*, */*\r\n"
         "User-Agent: Pravix Software Downloader\r\nReferer: " +
         target.refererHost + "\r\n\r\n";
}

bool ParseProbeResponse(std::string_view firstArrival, std::int64_t& remoteLength) {
  if (firstArrival.find("Content-Type:") == std::string_view::npos) return false;
  // The download's own reader: a "Content-Length:" line of the header block, a plain number.
  const std::optional<std::uint64_t> length = ContentLengthOf(firstArrival);
  if (!length || *length > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return false;
  remoteLength = static_cast<std::int64_t>(*length);
  return true;
}

std::string LatestVersionFromPage(std::string_view page) {
  const std::size_t at = page.rfind("<>");
  if (at == std::string_view::npos) return "";
  const std::string_view version = TrimLineBlanks(page.substr(at + 2));
  return IsVersionText(version) ? std::string(version) : std::string();
}

std::string UpdateLabelText(std::string_view latestVersion) {
  if (!IsVersionText(latestVersion)) return "未能取得发布的版本";
  return "这里更新到 V:" + std::string(latestVersion);
}

bool IsVersionText(std::string_view version) {
  if (version.empty() || version.size() > 32) return false;
  bool digitBefore = false;
  for (char c : version) {
    if (c >= '0' && c <= '9') {
      digitBefore = true;
    } else if (c == '.' && digitBefore) {
      digitBefore = false;
    } else {
      return false;
    }
  }
  return digitBefore;
}

bool VersionIsOffered(std::string_view latestVersion) {
  return IsVersionText(latestVersion) && ToFloat(kProgramVersion) != ToFloat(latestVersion);
}

bool VersionTextDiffers(std::string_view latestVersion) {
  return IsVersionText(latestVersion) && latestVersion != kProgramVersion;
}

bool SizeShowsNewVersion(std::int64_t referenceSize, std::int64_t remoteLength) {
  if (remoteLength == -1 || remoteLength == 0 || remoteLength == 1308 || remoteLength == 83) return false;
  return std::fabs(static_cast<double>(referenceSize) + 4.0 - static_cast<double>(remoteLength)) > 0.0000001;
}

std::string UpdateStatusText(std::int64_t totalBytes, int kilobytesPerSecond, int percent) {
  return "更新大小：" + SizeText(totalBytes / 1024) + " \r\n\r\n当前进度：" + std::to_string(percent) +
         "%\r\n\r\n当前速度：" + std::to_string(kilobytesPerSecond) + " KB/S";
}

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|')
      return false;
  }
  return true;
}

std::string RarPathFromIconValue(std::string_view value) {
  // No file name holds a quote: every one goes (a value may quote the path after a blank).
  std::string path;
  for (char c : value) {
    if (c != '"') path += c;
  }
  path = TrimBoth(path);
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return "rar.exe";
  return path.substr(0, slash + 1) + "rar.exe";
}

InstallBatch DirectInstallBatch(const InstallPlace& place) {
  return {BatchHead(place) +
              "ren \"update.exe.tmp\" \"%~2\"\r\n"
              "start \"\" \"%~2\"\r\n" +
              BatchTail(),
          {BatchDirectory(place.directory), place.programName}};
}

InstallBatch ArchiveInstallBatch(const InstallPlace& place, std::string_view rarPath,
                                 std::string_view memberName) {
  // The archive is unpacked into a folder of its own while the old program still runs: when its
  // member is not there, the old program stays in place and is started again.
  std::string text =
      "@echo off\r\n"
      "cd /d \"%~1\"\r\n"
      "\"%~3\" x -y \"%~1\\update.rar\" \"%~1\\update.new\\\\\" >nul 2>&1\r\n"
      "if not exist \"update.new\\%~4\" goto keep\r\n";
  const std::string head = BatchHead(place);
  text += head.substr(head.find("taskkill"));
  text +=
      "move /y \"update.new\\%~4\" \"%~2\" >nul\r\n"
      "rd /s /q \"update.new\"\r\n"
      "del /f /q \"update.rar\"\r\n"
      "start \"\" \"%~2\"\r\n"
      "goto end\r\n"
      ":keep\r\n"
      "rd /s /q \"update.new\"\r\n"
      "del /f /q \"update.rar\"\r\n"
      "start \"\" \"%~2\"\r\n";
  return {
      text + BatchTail(),
      {BatchDirectory(place.directory), place.programName, std::string(rarPath), std::string(memberName)}};
}

std::string InstallBatchCommand(const InstallBatch& batch) {
  std::string line = "cmd.exe /d /c update.bat";
  for (const std::string& argument : batch.arguments) line += " \"" + argument + "\"";
  return line;
}

std::string RarMemberNames(const ByteString& archive, const std::function<void()>& betweenHits) {
  static constexpr std::uint8_t kMark[4] = {0x20, 0x00, 0x00, 0x00};
  std::string names;
  std::size_t from = 0;
  while (from + 4 <= archive.size()) {
    const auto hit = std::search(archive.begin() + static_cast<std::ptrdiff_t>(from), archive.end(),
                                 std::begin(kMark), std::end(kMark));
    if (hit == archive.end()) break;
    const std::size_t p = static_cast<std::size_t>(hit - archive.begin());
    std::size_t n = 0;
    if (p >= 2) {
      n = archive[p - 2];
      const std::size_t start = std::min(p + 4, archive.size());
      const std::size_t length = std::min(n, archive.size() - start);
      const std::string_view name(reinterpret_cast<const char*>(archive.data() + start), length);
      // A name holding the separator could not be told apart in the list.
      if (!name.empty() && name.find(';') == std::string_view::npos) {
        names.append(name);
        names += ';';
      }
    }
    from = p + std::max<std::size_t>(n, 1);
    if (betweenHits) betweenHits();
  }
  if (!names.empty()) names.pop_back();
  return names;
}

std::string FirstMemberName(const std::string& memberNames) {
  return memberNames.substr(0, memberNames.find(';'));
}

std::string SignatureUrlOf(std::string_view updateUrl) { return std::string(updateUrl) + ".sig"; }

}  // namespace tarnvel
