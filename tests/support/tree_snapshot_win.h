// What a tree holds, read straight from the file system for the tests' own checks: every entry
// by its path, with its kind, a checksum of a file's bytes and the file's identity. Written on
// FindFirstFileExW and CreateFileW alone, never on the program's file code, so a fault the
// program's listing or reading shares with its copying cannot hide here.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarnvel::test {

enum class EntryKind {
  kFile,
  kDirectory,
  kDirectoryLink,  // a reparse point listed as a directory: never entered
  kFileLink,       // a reparse point listed as a file: never opened. Wine lists a host link to a
                   // file as the file itself (0x20) and a dangling one not at all.
  kOddName,        // a name holding "\" or "/": no path can name it, so it is neither opened nor entered
};

struct TreeEntry {
  EntryKind kind = EntryKind::kFile;
  bool directoryBit = false;
  bool readable = false;       // a file whose bytes could be read
  std::uint64_t checksum = 0;  // FNV-1a (64 bits) of a file's bytes
  std::uint64_t identity = 0;  // volume serial number and file index folded together; 0 unknown
  std::int64_t size = 0;
  std::uint64_t lastWriteTime = 0;  // FILETIME as the listing gives it
  // Equal entries hold the same thing; the time is compared only where a test asks for it (a
  // folder's own time moves whenever an entry in it is added).
  friend bool operator==(const TreeEntry& a, const TreeEntry& b) {
    return a.kind == b.kind && a.directoryBit == b.directoryBit && a.readable == b.readable &&
           a.checksum == b.checksum &&
           a.identity == b.identity && a.size == b.size;
  }
};

// Keys are paths relative to the root, names joined by "/" (a name listed with "\" keeps it).
using TreeSnapshot = std::map<std::wstring, TreeEntry>;

// Every entry below `root` (a full path, no trailing "\"). Reached through "\\?\", so names ending
// in a dot or a blank and long paths are read as they are. Reparse points are recorded, never
// followed. Folders deeper than `maxDepth` levels are not entered (a runaway walk's output would
// take minutes to read under Wine); `truncated`, when given, says whether one was met.
TreeSnapshot SnapshotTree(const std::wstring& root, bool* truncated = nullptr, int maxDepth = 40);

std::uint64_t Fnv1a(const void* data, std::size_t size, std::uint64_t hash = 14695981039346656037ull);

const char* KindName(EntryKind kind);

// True when key is `prefix` or lies below it ("a/b" lies below "a").
bool LiesIn(const std::wstring& key, const std::wstring& prefix);

// The key upper-cased as the system compares names.
std::wstring FoldedKey(const std::wstring& key);

// UTF-8 of a wide text, for messages.
std::string Utf8(const std::wstring& text);

// A program started with a command line and a current directory, waited for at most `limitMs`;
// one that runs past it is killed.
struct ProcessOutcome {
  bool started = false;
  unsigned long startError = 0;
  bool ended = false;  // false: it ran past the limit and was killed
  unsigned long exitCode = 0;
  unsigned long elapsedMs = 0;
};
// What the program prints goes to `outputFile` when one is named, else nowhere.
ProcessOutcome RunProcess(const std::wstring& program, const std::wstring& commandLine,
                          const std::wstring& currentDirectory, unsigned long limitMs,
                          const std::wstring& outputFile = L"");

}  // namespace tarnvel::test
