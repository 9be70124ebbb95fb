#include <windows.h>

#include "sync/directory_listing.h"

#include "runtime/encoding.h"
#include "sync/kept_versions.h"
#include "sync/path_helpers.h"
#include "sync/read_ahead.h"
#include "sync/run_report.h"
#include "sync/walk_roots.h"
#include "sync/walk_support.h"

namespace tarnvel {
namespace {

// The name as the file system compares it: UTF-16, upper-cased by the system's table, which
// for ASCII letters is plain a-z to A-Z (the common case, done without a system call).
std::wstring FoldedName(const std::string& name) {
  bool ascii = true;
  for (const char ch : name) ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
  if (ascii) {
    std::wstring wide(name.size(), L'\0');
    for (std::size_t i = 0; i < name.size(); ++i) {
      const char ch = name[i];
      wide[i] = static_cast<wchar_t>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    }
    return wide;
  }
  std::wstring wide = Utf8ToWide(name);
  if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return wide;
}

// A directory the walk may enter and the reading ahead may list: plain (no link), its name
// joins safely, and it is none of the names the walks pass over.
bool ReadableAhead(const DirectoryEntry& entry) {
  return entry.IsDirectory() && (entry.attributes & kAttrReparsePoint) == 0 && !IsDotName(entry.name) &&
         !IsVersionsFolderName(entry.name) && IsJoinableName(entry.name);
}

std::string JoinedDirectory(const std::string& directory, const std::string& name) {
  std::string path = directory;
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + name + '\\';
}

}  // namespace

DirectoryListing DirectoryListing::Of(const std::string& directory) {
  DirectoryListing listing;
  listing.listed_ = ListDirectory(directory, [&](const DirectoryEntry& entry) {
    listing.entries_.push_back(entry);
    return true;
  });
  if (!listing.listed_) {
    listing.error_ = GetLastError();
    listing.entries_.clear();
  }
  return listing;
}

DirectoryListing DirectoryListing::Empty() {
  DirectoryListing listing;
  listing.listed_ = true;
  return listing;
}

std::size_t DirectoryListing::Bytes() const {
  std::size_t bytes = sizeof(DirectoryListing) + entries_.capacity() * sizeof(DirectoryEntry);
  for (const DirectoryEntry& entry : entries_) bytes += entry.name.capacity();
  return bytes;
}

DirectoryListing ListSourceRoot(const WalkRoots& roots, RunReport& report) {
  DirectoryListing listing;
  // A root that cannot even be opened is missing, unless the system still shows a directory.
  if (roots.sourceExists || IsDirectory(roots.source)) listing = DirectoryListing::Of(roots.source);
  if (listing.Listed()) return listing;
  if (listing.Error() == 0) {
    report.Failed("源目录不存在", roots.source, "");
  } else {
    report.FailedBelow("读取目录", roots.source, SystemErrorText(listing.Error()));
  }
  return listing;
}

ReadAhead& ListingCache::Ahead() {
  if (!ahead_) ahead_ = std::make_shared<ReadAhead>();
  return *ahead_;
}

void ListingCache::Erase(std::unordered_map<std::string, Kept>::iterator it) {
  bytes_ -= it->second.bytes;
  listings_.erase(it);
}

void ListingCache::Trim() {
  while (bytes_ > budget_ && !order_.empty()) {
    const auto [key, generation] = order_.front();
    order_.pop_front();
    const auto it = listings_.find(key);
    if (it != listings_.end() && it->second.generation == generation) Erase(it);
  }
  if (listings_.empty()) order_.clear();
}

void ListingCache::Keep(const std::string& directory, const DirectoryListing& listing) {
  if (!listing.Listed()) return;
  const std::string key = NormalisePath(directory);
  const auto old = listings_.find(key);
  if (old != listings_.end()) Erase(old);
  Kept kept{listing, listing.Bytes(), ++generation_};
  bytes_ += kept.bytes;
  listings_.emplace(key, std::move(kept));
  order_.emplace_back(key, generation_);
  Trim();
}

void ListingCache::Forget(const std::string& directory) {
  const auto it = listings_.find(NormalisePath(directory));
  if (it != listings_.end()) Erase(it);
}

DirectoryListing ListingCache::Take(const std::string& directory) {
  if (!listings_.empty()) {
    const auto it = listings_.find(NormalisePath(directory));
    if (it != listings_.end()) {
      DirectoryListing listing = std::move(it->second.listing);
      Erase(it);
      return WithoutHidden(directory, std::move(listing));
    }
  }
  if (ahead_ && ahead_->Claim(directory)) return WithoutHidden(directory, ahead_->Collect(directory));
  return WithoutHidden(directory, DirectoryListing::Of(directory));
}

void ListingCache::Hide(const std::string& path) { hidden_.insert(NormalisePath(path)); }

DirectoryListing ListingCache::WithoutHidden(const std::string& directory, DirectoryListing listing) const {
  if (!hidden_.empty()) listing.LeaveOut(directory, hidden_);
  return listing;
}

void DirectoryListing::LeaveOut(const std::string& directory, const std::unordered_set<std::string>& paths) {
  std::string prefix = directory;
  if (prefix.empty() || prefix.back() != '\\') prefix += '\\';
  std::erase_if(entries_, [&](const DirectoryEntry& entry) {
    return paths.count(NormalisePath(prefix + entry.name)) != 0;
  });
  index_.clear();
  indexed_ = false;
}

std::pair<DirectoryListing, DirectoryListing> ListingCache::TakeBoth(const std::string& first,
                                                                     const std::string& second) {
  if (!listings_.empty()) {
    const bool firstKept = listings_.count(NormalisePath(first)) != 0;
    const bool secondKept = listings_.count(NormalisePath(second)) != 0;
    if (firstKept || secondKept) return {Take(first), Take(second)};
  }
  // What was read ahead is collected after the rest is listed, so that a listing still being
  // read ahead does not hold up the other one.
  const bool firstAhead = ahead_ && ahead_->Claim(first);
  const bool secondAhead = ahead_ && ahead_->Claim(second);
  std::pair<DirectoryListing, DirectoryListing> both;
  if (!firstAhead && !secondAhead) {
    side_.RunAlongside([&] { both.first = DirectoryListing::Of(first); },
                       [&] { both.second = DirectoryListing::Of(second); });
  } else {
    if (!firstAhead) both.first = DirectoryListing::Of(first);
    if (!secondAhead) both.second = DirectoryListing::Of(second);
    if (firstAhead) both.first = ahead_->Collect(first);
    if (secondAhead) both.second = ahead_->Collect(second);
  }
  if (!hidden_.empty()) {
    both.first.LeaveOut(first, hidden_);
    both.second.LeaveOut(second, hidden_);
  }
  return both;
}

void ListingCache::ExpectBelow(const std::string& sourceDir, const DirectoryListing& source,
                               const std::string& targetDir, const DirectoryListing& target, WalkOrder order) {
  if (!target.Listed()) return;
  std::vector<std::string> ahead;
  auto expect = [&](const std::string& name) {
    std::string path = JoinedDirectory(targetDir, name);
    if (listings_.empty() || listings_.count(NormalisePath(path)) == 0) ahead.push_back(std::move(path));
  };
  if (order == WalkOrder::kByTarget) {
    for (const DirectoryEntry& entry : target.Entries()) {
      if (ReadableAhead(entry)) expect(entry.name);
    }
  } else {
    for (const DirectoryEntry& entry : source.Entries()) {
      if (!ReadableAhead(entry)) continue;
      // A folder spelt otherwise is renamed before the walk enters it: it is listed then.
      const DirectoryEntry* counterpart = target.Find(entry.name);
      if (counterpart != nullptr && counterpart->name == entry.name && ReadableAhead(*counterpart))
        expect(counterpart->name);
    }
  }
  if (!ahead.empty()) Ahead().Expect(ahead);
}

void ListingCache::Changed(const std::string& path) {
  if (ahead_) ahead_->Changed(path);
}

void ListingCache::EndWalk() {
  if (ahead_) ahead_->Drop();
}

void ListingCache::Clear() {
  listings_.clear();
  order_.clear();
  bytes_ = 0;
  hidden_.clear();
  side_.Stop();
  if (ahead_) ahead_->Stop();
}

const DirectoryEntry* DirectoryListing::Find(const std::string& name) const {
  if (!indexed_) {
    index_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) index_.emplace(FoldedName(entries_[i].name), i);
    indexed_ = true;
  }
  const auto it = index_.find(FoldedName(name));
  return it == index_.end() ? nullptr : &entries_[it->second];
}

}  // namespace tarnvel
