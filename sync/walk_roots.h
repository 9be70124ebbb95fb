// The two roots of a job, made absolute and known by identity before anything is written. No
// spelling of a path (letter case, "." and "..", trailing dots or blanks, 8.3 short names,
// links) can hide that one root is, or lies in, the other: the guards compare the directories
// the file system opens, never the texts that led there.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sync/file_decision.h"
#include "sync/link_guard.h"

namespace tarnvel {

enum class RootsVerdict {
  kUsable,
  kBlank,               // a root is empty or only blanks
  kNotAbsolute,         // relative, drive-relative ("D:x") or rooted without a drive ("\x")
  kNotADirectory,       // a root names a file
  kSame,                // both name one directory
  kTargetInsideSource,  // the target is, or would be made, inside the source
  kSourceInsideTarget,  // the source lies inside the target
  kSystemFolder,        // a target a clean-up must never touch: the system drive's root, Windows, System32
};

// What the walk needs of its roots. The paths are the exact \\?\ form of the absolute paths,
// each with one trailing "\": every path the walk joins from them and a checked listed name
// reaches exactly that entry, whatever its name ends in and however long it is.
struct WalkRoots {
  std::string source;
  std::string target;
  bool sourceExists = false;
  // The identities of each root and of every directory above it, the root first. A target
  // not made yet has no entry for itself; its chain starts at its nearest existing parent.
  std::vector<DirectoryIdentity> sourceChain;
  std::vector<DirectoryIdentity> targetChain;
  bool targetExists = false;
  // How the target's volume keeps times, by the name of its file system.
  VolumeTimes targetTimes = VolumeTimes::kFine;

  // Reads the target's identities (and its volume's kind) again, once the walk has made it.
  void RefreshTarget();
};

struct RootsResolution {
  RootsVerdict verdict = RootsVerdict::kBlank;
  WalkRoots roots;
  bool Usable() const { return verdict == RootsVerdict::kUsable; }
};

// Checks and resolves the two roots of a job as the user gave them.
RootsResolution ResolveRoots(std::string_view source, std::string_view target);

// Whether the walk may follow a directory link it meets in the source. A link is followed only
// when it opens, leads to no directory that holds either root (or is one), lies outside the
// target, and leads back to no directory of the current descent: so no link makes a walk copy
// a tree into itself, walk the target, or run round in circles.
enum class LinkVerdict { kFollow, kCannotOpen, kHoldsARoot, kInsideTarget, kLoop };
LinkVerdict CheckSourceLink(const std::string& link, const WalkRoots& roots, AncestorChain& chain);
std::string LinkRefusal(LinkVerdict verdict);

// The message a refused pair of roots is reported with.
std::string RootsRefusal(RootsVerdict verdict);

// True when the text names a place without depending on a current directory: "X:\...",
// "\\server\share..." or a \\?\ form of those. Platform-free.
bool IsAbsoluteRoot(std::string_view path);

// The exact \\?\ form of an absolute path with one trailing "\" ("\\?\X:\a\", "\\?\UNC\s\h\a\").
// Windows build only; empty when the system cannot make it absolute.
std::string ExactDirectoryForm(std::string_view absolutePath);

// Makes a directory of the walk (an exact \\?\ form) and any missing directory above it; true
// when it is a directory afterwards. Windows build only.
bool MakeDirectoryWithParents(const std::string& exactPath);

// The path's counterpart in the other tree: `fromRoot` replaced by `toRoot`, or "" when the path
// does not begin with `fromRoot` (then it is no path of the walk, and nothing may be done with
// it). Platform-free.
std::string CounterpartPath(std::string_view path, std::string_view fromRoot, std::string_view toRoot);

// True when `inner` is `outer` or lies below it as texts, letter case ignored; both with their
// trailing "\". The roots are compared by identity when a job starts; this is the walkers' own
// guard for walks started on roots that were never resolved. Platform-free.
bool IsAtOrBelow(std::string_view inner, std::string_view outer);

// A path of the walk as people read it: the \\?\ prefix taken off ("\\?\UNC\s\h" back to
// "\\s\h"). Platform-free.
std::string ShownPath(std::string_view path);

}  // namespace tarnvel
