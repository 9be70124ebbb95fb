#include "sync/system_folders.h"

#include <algorithm>

#include "runtime/text.h"

namespace tarnvel {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), LowerAscii);
  return lower;
}

// A name as Windows opens it: its trailing dots and blanks dropped.
std::string_view TrimmedName(std::string_view name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  return name;
}

bool IsLoopbackAddress(std::string_view host) {
  if (host == "::1" || host == "[::1]" || host == "0:0:0:0:0:0:0:1") return true;
  if (host.rfind("127.", 0) != 0) return false;
  return std::all_of(host.begin(), host.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

bool IsThisComputer(std::string_view server, const std::vector<std::string>& hostNames) {
  const std::string host = Lower(TrimmedName(server));
  if (host == "localhost" || host == "." || host == "?" || IsLoopbackAddress(host)) return true;
  return std::any_of(hostNames.begin(), hostNames.end(), [&](const std::string& name) {
    const std::string own = Lower(name);
    // The host name may be given fully qualified, or only its first label.
    return !own.empty() &&
           (host == own || host == own.substr(0, own.find('.')) || own == host.substr(0, host.find('.')));
  });
}

// "\\server\share\rest" of this computer's administrative share "X$" as "X:\rest"; "" otherwise.
std::string DriveOfShare(std::string_view unc, const std::vector<std::string>& hostNames) {
  const std::size_t serverEnd = unc.find('\\');
  if (serverEnd == std::string_view::npos || !IsThisComputer(unc.substr(0, serverEnd), hostNames)) return {};
  std::string_view rest = unc.substr(serverEnd + 1);
  while (!rest.empty() && rest.front() == '\\') rest.remove_prefix(1);
  const std::size_t shareEnd = rest.find('\\');
  const std::string_view share = TrimmedName(rest.substr(0, shareEnd));
  if (share.size() != 2 || !IsLetter(share[0]) || share[1] != '$') return {};
  return std::string(1, share[0]) + ":\\" +
         std::string(shareEnd == std::string_view::npos ? "" : rest.substr(shareEnd));
}

// The path with its device prefix or this computer's share turned into "X:..."; "" when it is
// no drive path.
std::string DriveForm(std::string text, const std::vector<std::string>& hostNames) {
  for (const char* prefix : {"\\\\?\\", "\\\\.\\", "\\??\\"}) {
    if (text.rfind(prefix, 0) == 0) {
      text.erase(0, 4);
      if (Lower(text.substr(0, 4)) == "unc\\") return DriveOfShare(text.substr(4), hostNames);
      break;
    }
  }
  if (text.rfind("\\\\", 0) == 0) {
    std::size_t at = 2;
    while (at < text.size() && text[at] == '\\') ++at;
    return DriveOfShare(std::string_view(text).substr(at), hostNames);
  }
  if (text.size() >= 2 && IsLetter(text[0]) && text[1] == ':' && (text.size() == 2 || text[2] == '\\'))
    return text;
  return {};
}

// A name of dots and blanks with ".." in it (".. ", "...") is the parent folder to some readers
// of a path and the folder itself to others; the guard takes it both ways.
bool ClimbsUp(std::string_view piece) { return piece.find("..") != std::string_view::npos; }

std::string Resolve(std::string_view path, const std::vector<std::string>& hostNames, bool dotsClimb) {
  // Blanks around a path are the box's, not the name's (a trailing one goes with the name's
  // trailing blanks anyway).
  while (!path.empty() && path.front() == ' ') path.remove_prefix(1);
  while (!path.empty() && path.back() == ' ') path.remove_suffix(1);
  std::string text(path);
  std::replace(text.begin(), text.end(), '/', '\\');
  const std::string drive = DriveForm(text, hostNames);
  if (drive.empty()) return {};
  std::vector<std::string_view> names;
  std::string_view rest = std::string_view(drive).substr(2);
  while (!rest.empty()) {
    const std::size_t cut = rest.find('\\');
    const std::string_view piece = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    const std::string_view name = TrimmedName(piece);
    if (piece == ".." || (dotsClimb && name.empty() && ClimbsUp(piece))) {
      if (!names.empty()) names.pop_back();
      continue;
    }
    // "." and a name of dots and blanks only open the folder they stand in.
    if (!name.empty()) names.push_back(name);
  }
  std::string resolved = Lower(drive.substr(0, 2)) + "\\";
  for (std::size_t i = 0; i < names.size(); ++i) resolved += (i == 0 ? "" : "\\") + Lower(names[i]);
  return resolved;
}

}  // namespace

std::string ResolvedDrivePath(std::string_view path, const std::vector<std::string>& hostNames) {
  return Resolve(path, hostNames, false);
}

bool IsSystemLocation(std::string_view path, const SystemLocations& system) {
  for (const bool dotsClimb : {false, true}) {
    const std::string candidate = Resolve(path, system.hostNames, dotsClimb);
    if (candidate.empty()) continue;
    for (const std::string* place : {&system.driveRoot, &system.windowsDirectory, &system.systemDirectory}) {
      if (!place->empty() && ResolvedDrivePath(*place, system.hostNames) == candidate) return true;
    }
  }
  return system.opensOneOfThem && !TrimBoth(path).empty() && system.opensOneOfThem(TrimBoth(path));
}

}  // namespace tarnvel
