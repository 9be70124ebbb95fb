#include <windows.h>

#include "sync/directory_listing.h"

#include "runtime/encoding.h"
#include "sync/path_helpers.h"
#include "sync/run_report.h"
#include "sync/walk_roots.h"

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
  if (listings_.empty()) return WithoutHidden(directory, DirectoryListing::Of(directory));
  const auto it = listings_.find(NormalisePath(directory));
  if (it == listings_.end()) return WithoutHidden(directory, DirectoryListing::Of(directory));
  DirectoryListing listing = std::move(it->second.listing);
  Erase(it);
  return WithoutHidden(directory, std::move(listing));
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
  std::pair<DirectoryListing, DirectoryListing> both;
  side_.RunAlongside([&] { both.first = DirectoryListing::Of(first); },
                     [&] { both.second = DirectoryListing::Of(second); });
  if (!hidden_.empty()) {
    both.first.LeaveOut(first, hidden_);
    both.second.LeaveOut(second, hidden_);
  }
  return both;
}

void ListingCache::Clear() {
  listings_.clear();
  order_.clear();
  bytes_ = 0;
  hidden_.clear();
  side_.Stop();
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
