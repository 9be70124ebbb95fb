#include <windows.h>

#include "sync/walk_roots.h"

#include <algorithm>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/text.h"

namespace tarnvel {
namespace {

struct OpenedDirectory {
  DirectoryIdentity identity;
  std::wstring finalPath;  // \\?\X:\... as the file system names it, links resolved
};

// Opens a directory (through any link) for no access, which touches nothing in it.
std::optional<OpenedDirectory> OpenDirectory(const std::wstring& path, bool* isFile = nullptr) {
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  std::optional<OpenedDirectory> opened;
  if (GetFileInformationByHandle(h, &info)) {
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      if (isFile != nullptr) *isFile = true;
    } else {
      OpenedDirectory dir;
      dir.identity = {info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
      dir.finalPath = FinalPathOfHandle(h);
      opened = std::move(dir);
    }
  }
  CloseHandle(h);
  return opened;
}

// Where the volume part of a \\?\ path ends: just past "\\?\X:\" or "\\?\UNC\server\share\".
std::size_t VolumePartLength(const std::wstring& path) {
  if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    const std::size_t server = path.find(L'\\', 8);
    if (server == std::wstring::npos) return path.size();
    const std::size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share + 1;
  }
  if (path.rfind(L"\\\\?\\", 0) == 0) return std::min<std::size_t>(path.size(), 7);
  return std::min<std::size_t>(path.size(), 3);
}

// The path without its last component; empty at the volume's root.
std::wstring ParentOf(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  const std::size_t volume = VolumePartLength(path + L"\\");
  if (path.size() + 1 <= volume) return {};
  const std::size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos || cut + 1 < volume) return {};
  return path.substr(0, cut + 1);
}

// The identities of a directory and of every directory above it.
std::vector<DirectoryIdentity> ChainOf(const OpenedDirectory& dir) {
  std::vector<DirectoryIdentity> chain{dir.identity};
  for (std::wstring up = ParentOf(dir.finalPath); !up.empty(); up = ParentOf(up)) {
    const std::optional<OpenedDirectory> parent = OpenDirectory(up);
    if (parent) chain.push_back(parent->identity);
  }
  return chain;
}

// The chain of the nearest directory that exists at or above a path not made yet.
std::vector<DirectoryIdentity> ChainOfNearestExisting(const std::wstring& path) {
  for (std::wstring up = ParentOf(path); !up.empty(); up = ParentOf(up)) {
    const std::optional<OpenedDirectory> parent = OpenDirectory(up);
    if (parent) return ChainOf(*parent);
  }
  return {};
}

bool Contains(const std::vector<DirectoryIdentity>& chain, const DirectoryIdentity& id) {
  return std::find(chain.begin(), chain.end(), id) != chain.end();
}

bool IsBlankText(std::string_view text) { return TrimBoth(text).empty(); }

}  // namespace

std::optional<DirectoryIdentity> IdentityOf(const std::string& directory) {
  const std::optional<OpenedDirectory> dir = OpenDirectory(PathToWide(directory));
  if (!dir) return std::nullopt;
  return dir->identity;
}

std::string ExactDirectoryForm(std::string_view absolutePath) {
  // A text that is no exact name (not UTF-8) names no directory.
  const std::optional<std::wstring> exact = Utf8ToWideExact(absolutePath);
  if (!exact) return {};
  std::wstring wide = *exact;
  std::replace(wide.begin(), wide.end(), L'/', L'\\');
  if (wide.rfind(L"\\\\?\\", 0) != 0) {
    const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (n == 0) return {};
    std::wstring full(n, L'\0');
    full.resize(GetFullPathNameW(wide.c_str(), n, full.data(), nullptr));
    if (full.empty()) return {};
    wide = full.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + full.substr(2) : L"\\\\?\\" + full;
  }
  while (wide.size() > 4 && wide.back() == L'\\') wide.pop_back();
  wide += L'\\';
  return WideToUtf8(wide);
}

bool MakeDirectoryWithParents(const std::string& exactPath) {
  std::wstring path = Utf8ToWide(exactPath);
  while (path.size() > 4 && path.back() == L'\\') path.pop_back();
  auto isDirectory = [](const std::wstring& p) {
    const DWORD attributes = GetFileAttributesW(p.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  };
  if (CreateDirectoryW(path.c_str(), nullptr) || isDirectory(path)) return true;
  if (GetLastError() != ERROR_PATH_NOT_FOUND) return false;
  // The parents, from the volume down; each that exists already fails harmlessly.
  const std::size_t volume = VolumePartLength(path + L"\\");
  for (std::size_t at = path.find(L'\\', volume); at != std::wstring::npos; at = path.find(L'\\', at + 1)) {
    CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
  }
  return CreateDirectoryW(path.c_str(), nullptr) || isDirectory(path);
}

void WalkRoots::RefreshTarget() {
  if (targetExists) return;
  const std::optional<OpenedDirectory> dir = OpenDirectory(Utf8ToWide(target));
  if (!dir) return;
  targetChain = ChainOf(*dir);
  targetExists = true;
  targetTimes = VolumeTimesOf(FileSystemNameOf(target));
}

LinkVerdict CheckSourceLink(const std::string& link, const WalkRoots& roots, AncestorChain& chain) {
  std::wstring wide = Utf8ToWide(link);
  while (wide.size() > 4 && wide.back() == L'\\') wide.pop_back();
  const std::optional<OpenedDirectory> dir = OpenDirectory(wide);
  if (!dir) return LinkVerdict::kCannotOpen;
  if (Contains(roots.sourceChain, dir->identity) || Contains(roots.targetChain, dir->identity)) {
    return LinkVerdict::kHoldsARoot;
  }
  if (roots.targetExists && !roots.targetChain.empty() &&
      Contains(ChainOf(*dir), roots.targetChain.front())) {
    return LinkVerdict::kInsideTarget;
  }
  return chain.LeadsBack(link) ? LinkVerdict::kLoop : LinkVerdict::kFollow;
}

RootsResolution ResolveRoots(std::string_view source, std::string_view target) {
  RootsResolution result;
  if (IsBlankText(source) || IsBlankText(target)) return result;
  result.verdict = RootsVerdict::kNotAbsolute;
  if (!IsAbsoluteRoot(source) || !IsAbsoluteRoot(target)) return result;
  WalkRoots& roots = result.roots;
  roots.source = ExactDirectoryForm(source);
  roots.target = ExactDirectoryForm(target);
  if (roots.source.empty() || roots.target.empty()) return result;

  bool sourceIsFile = false, targetIsFile = false;
  const std::optional<OpenedDirectory> from = OpenDirectory(Utf8ToWide(roots.source), &sourceIsFile);
  const std::optional<OpenedDirectory> to = OpenDirectory(Utf8ToWide(roots.target), &targetIsFile);
  result.verdict = RootsVerdict::kNotADirectory;
  if (sourceIsFile || targetIsFile) return result;
  roots.sourceExists = from.has_value();
  roots.targetExists = to.has_value();
  roots.targetTimes = VolumeTimesOf(FileSystemNameOf(roots.target));
  if (from) roots.sourceChain = ChainOf(*from);
  roots.targetChain = to ? ChainOf(*to) : ChainOfNearestExisting(Utf8ToWide(roots.target));

  // The identities decide where both exist; the texts of the absolute forms besides, for a root
  // that is not there yet.
  const bool targetBelowSource = IsAtOrBelow(roots.target, roots.source);
  const bool sourceBelowTarget = IsAtOrBelow(roots.source, roots.target);
  if ((from && to && from->identity == to->identity) || (targetBelowSource && sourceBelowTarget)) {
    result.verdict = RootsVerdict::kSame;
  } else if (targetBelowSource) {
    result.verdict = RootsVerdict::kTargetInsideSource;
  } else if (sourceBelowTarget) {
    result.verdict = RootsVerdict::kSourceInsideTarget;
  } else if (from && Contains(roots.targetChain, from->identity)) {
    result.verdict = RootsVerdict::kTargetInsideSource;
  } else if (to && Contains(roots.sourceChain, to->identity)) {
    result.verdict = RootsVerdict::kSourceInsideTarget;
  } else {
    result.verdict = RootsVerdict::kUsable;
  }
  return result;
}

}  // namespace tarnvel
