// The on-line update's texts and decisions, free of the platform: the update URL and the probe
// request sent for it, the reading of the probe's answer, the version and size comparisons, the
// installer batch texts and the member names of an update archive.
//
//   const std::string url = CompleteUpdateUrl(" example.com/NEW/Tarnvel.rar ");
//   if (auto target = ProbeTargetOf(url)) send ProbeRequestText(url) to target->host, target->port
//   std::int64_t remoteLength = 0;
//   ParseProbeResponse(firstArrival, remoteLength);
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values.h"

namespace tarnvel {

// The program's own version, as the server's version text is compared with it.
inline constexpr char kProgramVersion[] = "2.5";
// The path of the update file on the server, after the build's base address.
inline constexpr char kUpdateFilePath[] = "NEW/Tarnvel.rar";

// A URL that names neither "http://" nor "https://" (any letter case) gets "http://" in front
// of it, blanks trimmed; any other URL is returned as it is.
std::string CompleteUpdateUrl(std::string_view url);

// Where the probe goes: the host name to connect to (lower case, without port), the port (the
// URL's own, or the scheme's default), and the host text as it stands in the URL (with a port
// when one is given), which the probe names as its referer.
struct ProbeTarget {
  std::string host;
  int port = 80;
  std::string refererHost;
  bool secure = false;
};
// Nothing for a URL that does not begin with "http://" or "https://", has no "/" after its
// host (no file to fetch), or has an empty host.
std::optional<ProbeTarget> ProbeTargetOf(std::string_view url);

// The probe, byte for byte: an HTTP/1.0 request line with the absolute URL, the accept and
// agent lines and the referer, and no Host line.
std::string ProbeRequestText(std::string_view url, const ProbeTarget& target);

// Reads the first arrival of the probe's answer. Only when it holds "Content-Type:" (exact
// bytes) is its header block read as the download reads one (ContentLengthOf: the first line
// that starts with "Content-Length:", any letter case, whose value is a plain decimal number);
// that number becomes remoteLength. True when remoteLength was set; otherwise it is left as it
// was.
bool ParseProbeResponse(std::string_view firstArrival, std::int64_t& remoteLength);

// The server's version text: what its configuration page holds after the last "<>", blanks,
// tabs and line ends trimmed. "" when the page has no "<>" or that text is no version
// (IsVersionText).
std::string LatestVersionFromPage(std::string_view page);
// A version text is digits with single dots between them ("2.5", "2.50", "3"): what a server
// that answers at all publishes. An error page's text is none.
bool IsVersionText(std::string_view version);
// The label beside the buttons after a version check: "这里更新到 V:" and the version, or that
// no version could be had.
std::string UpdateLabelText(std::string_view latestVersion);
// The version check's test: a well-formed version whose number (as a 32-bit float) differs from
// the program's, older ones included ("2.50" is not new, "2.4" is).
bool VersionIsOffered(std::string_view latestVersion);
// The update command's test: a well-formed version whose text differs from the program's
// ("2.50" starts an update).
bool VersionTextDiffers(std::string_view latestVersion);

// Compare mode: the update is new when the archive of the running program (plus 4) differs in
// size from what the server reports, and the report is none of the sizes of the server's
// error and placeholder answers (-1, 0, 1308, 83).
bool SizeShowsNewVersion(std::int64_t referenceSize, std::int64_t remoteLength);

// The download's status text: size, percent and speed, lines apart.
std::string UpdateStatusText(std::int64_t totalBytes, int kilobytesPerSecond, int percent);

// A name that stands for one file in one directory: not empty, not "." or "..", no path
// separator, drive colon, wildcard, quote or control character.
bool IsPlainFileName(std::string_view name);

// The path of the RAR tool from the default value of its "DefaultIcon" key (the tool's program
// path followed by an icon index): every quote removed, blanks trimmed, cut after the last "\"
// and "rar.exe" appended; a value without "\" gives "rar.exe".
std::string RarPathFromIconValue(std::string_view value);

// What the installer needs to know: the program's directory (without trailing "\"; "X:" for a
// drive root), its file name, and the running process's id (the batch ends exactly that one).
struct InstallPlace {
  std::string directory;
  std::string programName;
  unsigned long processId = 0;
};
// An installer batch and the arguments it is run with. The batch text is plain ASCII and names
// every path and file through its arguments (%1 the program's directory, %2 the program's file
// name, %3 the RAR tool, %4 the archive's member), quoted: the command interpreter reads a batch
// file in the console's code page, which cannot spell every name, while arguments reach it as
// they are. It changes to the program's directory first, ends this process, waits until the old
// program file is gone, puts the new one in place, starts it and deletes itself. The archive's
// batch unpacks first, into "update.new", and touches the old program only when the member is
// there. Lines end in "\r\n" except the last.
struct InstallBatch {
  std::string text;
  std::vector<std::string> arguments;
};
InstallBatch DirectInstallBatch(const InstallPlace& place);
InstallBatch ArchiveInstallBatch(const InstallPlace& place, std::string_view rarPath,
                                 std::string_view memberName);
// The command line that runs "update.bat" from its own directory with the arguments quoted.
std::string InstallBatchCommand(const InstallBatch& batch);

// The member names of an archive's bytes joined with ";": at every 20 00 00 00 (a member's
// attribute field holding only the archive bit) at p, the byte at p − 2 is the name's length n
// and the n bytes from p + 4 are the name; the next search starts at p + n (one byte on at
// least). Empty names and names holding ";" are left out. `betweenHits`, when given, runs
// after each hit.
std::string RarMemberNames(const ByteString& archive, const std::function<void()>& betweenHits = {});
// The first of the names RarMemberNames gives, or "".
std::string FirstMemberName(const std::string& memberNames);

// The file name of a program file's signature fetched beside it, and its URL.
std::string SignatureUrlOf(std::string_view updateUrl);

}  // namespace tarnvel
