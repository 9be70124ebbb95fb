// Files and directories. Every path is a UTF-8 text and reaches the system through PathToWide,
// so paths of any length work. No operation throws for a missing file: each returns its failure
// value (false, -1, "" or an empty byte string).
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "runtime/values.h"

namespace tarnvel {

// Attribute bits as the file system reports them.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrReparsePoint = 0x400;

// One entry of a directory listing, with what the listing already knows about it, so that a
// walker needs no further call for the size or the time.
struct DirectoryEntry {
  std::string name;              // UTF-8 (WTF-8 for a name holding a lone surrogate)
  std::uint32_t attributes = 0;  // every bit the system reports, not only the 0x37 ones
  std::int64_t size = 0;
  std::uint64_t lastWriteTime = 0;  // FILETIME: 100-ns intervals since 1601-01-01 UTC

  bool IsDirectory() const { return (attributes & kAttrDirectory) != 0; }
  // A directory that is a junction or symbolic link: never walked into.
  bool IsDirectoryLink() const { return IsDirectory() && (attributes & kAttrReparsePoint) != 0; }
  bool IsDotOrDotDot() const { return name == "." || name == ".."; }
};

// True when a directory search for the path finds an entry: "*" and "?" are honoured, and a
// directory named without a trailing backslash counts.
bool FileExists(const std::string& path);

// The search variable of FindFile: owns the open directory search. Move-only.
class FileSearch {
 public:
  FileSearch() = default;
  FileSearch(FileSearch&& other) noexcept;
  FileSearch& operator=(FileSearch&& other) noexcept;
  FileSearch(const FileSearch&) = delete;
  FileSearch& operator=(const FileSearch&) = delete;
  ~FileSearch();

  bool IsOpen() const { return handle_ != nullptr; }
  // The entry FindFile returned last (its full data); empty before the first and after the end.
  const DirectoryEntry& Current() const { return current_; }

 private:
  friend struct FileSearchAccess;  // the platform's half of FindFile and EndFind

  void* handle_ = nullptr;  // the system's search handle
  bool hasMask_ = false;
  std::uint32_t mask_ = 0;
  DirectoryEntry current_;
};

// With a non-empty pattern: ends what the variable holds and starts a new search; with "" it
// continues. Without attributes only non-directories are accepted; with attributes, mask =
// attributes & 0x37 and an entry is accepted when its attributes share a bit with the mask (a
// mask of 0 accepts entries none of whose 0x37 bits is set). Returns the next accepted name, "."
// and ".." included, in listing order; at the end "" and the search is closed.
std::string FindFile(const std::string& pattern, FileSearch& search);
std::string FindFile(const std::string& pattern, int attributes, FileSearch& search);
void EndFind(FileSearch& search);

// Lists every entry of a directory (with or without its trailing backslash) in listing order,
// without "." and "..". onEntry returns false to stop early. False when the directory cannot be
// listed (missing, not a directory, no access); an empty directory gives true.
bool ListDirectory(const std::string& directory, const std::function<bool(const DirectoryEntry&)>& onEntry);

// Size as the low 32 bits taken as a signed integer, -1 when nothing is found. Callers that
// compare or add sizes use FileSize64.
std::int32_t FileSize(const std::string& path);
std::int64_t FileSize64(const std::string& path);

// Attributes & 0x37 (read-only, hidden, system, directory, archive); -1 when missing.
int GetAttributes(const std::string& path);
// Sets attributes & 0x27; other bits are ignored.
bool SetAttributes(const std::string& path, int attributes);

// Copies one file, overwriting; the target keeps the source's attributes and last-write time.
bool CopyFileTo(const std::string& source, const std::string& target);

// Called by CopyFileWithProgress between copied blocks with the file's size and the bytes
// copied so far. Return kCopyContinue to go on or kCopyCancel to abandon the copy (the partial
// target is removed). Under Wine the system never calls it.
inline constexpr int kCopyContinue = 0;
inline constexpr int kCopyCancel = 1;
using CopyProgress = std::function<int(std::int64_t totalBytes, std::int64_t bytesDone)>;
// An exception thrown by the callback cancels the copy and is rethrown once the copy returns.
bool CopyFileWithProgress(const std::string& source, const std::string& target, const CopyProgress& progress,
                          bool failIfExists);

bool DeleteFileAt(const std::string& path);
// One directory level; the parent must exist.
bool MakeDirectory(const std::string& path);

// Deletes a directory with everything in it, depth first, and true only when the directory
// itself is gone. Leading spaces are skipped. Refuses (false, nothing touched) "", a drive
// ("X:", "X:\"), the root "\" and a bare share ("\\server", "\\server\share"), also when
// "." or ".." lead there. A directory link inside is removed as a link and never entered, so
// nothing behind it is touched; a path that is itself a link loses only the link. Attributes are
// not changed: a read-only file stays and the result is false.
bool RemoveDirectoryTree(const std::string& path);

// True when the path names a bare root that RemoveDirectoryTree refuses (platform-free rule,
// applied to the path as given and to its full form).
bool IsProtectedRoot(std::string_view path);

// Renames over an existing file, writing through: the way a finished copy replaces its target.
bool MoveFileReplace(const std::string& source, const std::string& target);

// A name for a temporary file of the program's own: "~tv" + 8 random hexadecimal digits +
// ".tmp", short enough to sit beside a name of any length. Callers create it fail-if-exists and
// take another name when one is there: a file of that name may be someone's.
std::string TemporaryFileName();
// From here on, this thread's TemporaryFileName gives the names that follow from `seed`, the same
// ones every time: for tests that need a name to be taken already.
void RepeatTemporaryNames(std::uint32_t seed);

// Removes a file link itself, never the file behind it: a fresh empty file is renamed over the
// link and then deleted, so no delete is ever given the link (some systems follow it). False,
// with the system's error as the last error, when it cannot be done.
bool RemoveFileLink(const std::string& path);

// A directory that is a junction or symbolic link.
bool IsDirectoryLink(const std::string& path);

// True when the entry at the path is shown to lead elsewhere: the system marks it as a link, or
// the file it opens lives under another name than the entry's own (Wine shows a host link as a
// plain file and follows it when opening, so a rename or an attribute change given the link
// reaches the file behind it). False for an entry that is itself, and when it cannot be opened.
bool LeadsElsewhere(const std::string& path);

// The path the file system gives an opened file or directory ("\\?\X:\..."), links resolved
// where the system follows them; empty when it cannot be told. `handle` is a HANDLE. Windows
// build only.
std::wstring FinalPathOfHandle(void* handle);

// Renames a file or directory in place; an entry that has the new name already is never replaced.
// False, with the system's error as the last error, on failure.
bool RenameEntry(const std::string& from, const std::string& to);

// The name the system gives the file system of the volume that holds the path ("NTFS", "FAT32",
// "exFAT"); "" when it cannot be told.
std::string FileSystemNameOf(const std::string& path);

// The bytes the calling user may still write on the volume that holds the directory; -1 when
// the system cannot tell (a volume that reports no size at all counts as such).
std::int64_t FreeSpaceOf(const std::string& directory);

// The whole file; an empty path or an unreadable file gives an empty byte string.
ByteString ReadWholeFile(const std::string& path);
// Creates or truncates the file and writes the parts in order. An empty path gives false.
bool WriteWholeFile(const std::string& path, std::initializer_list<std::span<const std::uint8_t>> parts);

// The process's current directory.
std::string CurrentDirectory();
// The running program's directory, without a trailing backslash ("Y:" for "Y:\Tarnvel.exe").
std::string RunDirectory();
// The running program's file name ("Tarnvel.exe").
std::string ExecutableName();

}  // namespace tarnvel
