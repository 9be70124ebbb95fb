// The table of file numbers, memory files, and the operations every open file shares: lines,
// bytes, the data format and deleting a span.
#include "runtime/openfile.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "runtime/openfile_store.h"

namespace tarnvel {
namespace {

// Memory files round their capacity up to whole 1024-byte blocks and grow geometrically, so
// filling one byte by byte costs linear time.
class MemoryStore final : public FileStore {
 public:
  bool Read(void* data, std::size_t n, std::size_t& got) override {
    got = position_ < bytes_.size() ? std::min(n, bytes_.size() - position_) : 0;
    if (got > 0) std::memcpy(data, bytes_.data() + position_, got);
    position_ += got;
    return true;
  }
  bool Write(const void* data, std::size_t n) override {
    if (n == 0) return true;
    const std::size_t end = position_ + n;
    if (end > bytes_.size()) Resize(end);
    std::memcpy(bytes_.data() + position_, data, n);
    position_ = end;
    return true;
  }
  std::int64_t Length() override { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t Position() override { return static_cast<std::int64_t>(position_); }
  bool Seek(std::int64_t position) override {
    if (position < 0) return false;
    position_ = static_cast<std::size_t>(position);
    return true;
  }
  bool Truncate(std::int64_t length) override {
    if (length < 0) return false;
    Resize(static_cast<std::size_t>(length));
    return true;
  }

 private:
  void Resize(std::size_t size) {
    constexpr std::size_t kStep = 1024;
    if (size > bytes_.capacity()) {
      const std::size_t blocks = (size + kStep - 1) / kStep * kStep;
      bytes_.reserve(std::max(blocks, bytes_.capacity() * 2));
    }
    bytes_.resize(size);
  }

  ByteString bytes_;
  std::size_t position_ = 0;
};

class FileTable {
 public:
  FileNumber Add(std::unique_ptr<FileStore> store) {
    std::lock_guard lock(mutex_);
    const FileNumber number = next_++;
    files_.emplace(number, std::shared_ptr<FileStore>(std::move(store)));
    return number;
  }
  std::shared_ptr<FileStore> Find(FileNumber number) {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(number);
    return it == files_.end() ? nullptr : it->second;
  }
  void Remove(FileNumber number) {
    std::shared_ptr<FileStore> closing;  // released outside the lock
    std::lock_guard lock(mutex_);
    const auto it = files_.find(number);
    if (it == files_.end()) return;
    closing = std::move(it->second);
    files_.erase(it);
  }

 private:
  std::mutex mutex_;
  std::map<FileNumber, std::shared_ptr<FileStore>> files_;
  FileNumber next_ = 1;
};

FileTable& Table() {
  static FileTable table;
  return table;
}

bool IsLineStop(std::uint8_t c) { return c == '\n' || c == 0 || c == 0x1A; }

}  // namespace

FileNumber RegisterFileStore(std::unique_ptr<FileStore> store) { return Table().Add(std::move(store)); }

FileNumber FileOpen(const std::string& path, int mode, int share) {
  if (path.empty() || mode < 1 || mode > 6 || share < 1 || share > 4) return 0;
  std::unique_ptr<FileStore> store = OpenDiskFile(path, mode, share);
  return store ? RegisterFileStore(std::move(store)) : 0;
}

FileNumber FileOpenMemory() { return RegisterFileStore(std::make_unique<MemoryStore>()); }

bool SeekStart(FileNumber file) {
  const auto store = Table().Find(file);
  return store && store->Seek(0);
}

bool SeekEnd(FileNumber file) {
  const auto store = Table().Find(file);
  if (!store) return false;
  const std::int64_t length = store->Length();
  return length >= 0 && store->Seek(length);
}

std::int64_t FileLength(FileNumber file) {
  const auto store = Table().Find(file);
  return store ? store->Length() : -1;
}

std::int64_t FilePosition(FileNumber file) {
  const auto store = Table().Find(file);
  return store ? store->Position() : -1;
}

bool AtEndOfFile(FileNumber file, bool stopAtTerminator) {
  const auto store = Table().Find(file);
  if (!store) return true;
  const std::int64_t position = store->Position();
  if (position >= store->Length()) return true;
  if (!stopAtTerminator) return false;
  std::uint8_t next = 0;
  std::size_t got = 0;
  const bool read = store->Read(&next, 1, got);
  store->Seek(position);
  return read && got == 1 && (next == 0 || next == 0x1A);
}

std::string ReadLine(FileNumber file) {
  const auto store = Table().Find(file);
  if (!store) return {};
  std::string line;
  std::uint8_t chunk[512];
  for (;;) {
    const std::int64_t chunkStart = store->Position();
    std::size_t got = 0;
    if (!store->Read(chunk, sizeof chunk, got) || got == 0) break;
    const std::uint8_t* stop = std::find_if(chunk, chunk + got, IsLineStop);
    line.append(reinterpret_cast<const char*>(chunk), static_cast<std::size_t>(stop - chunk));
    if (stop == chunk + got) continue;
    // A line feed is consumed; a zero byte or 0x1A stays for the next read.
    const std::int64_t used = (stop - chunk) + (*stop == '\n' ? 1 : 0);
    store->Seek(chunkStart + used);
    break;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

ByteString ReadBytes(FileNumber file, std::int64_t n) {
  const auto store = Table().Find(file);
  if (!store || n <= 0) return {};
  const std::int64_t left = store->Length() - store->Position();
  ByteString bytes(static_cast<std::size_t>(std::max<std::int64_t>(0, std::min(n, left))));
  std::size_t got = 0;
  if (!bytes.empty() && !store->Read(bytes.data(), bytes.size(), got)) got = 0;
  bytes.resize(got);
  return bytes;
}

bool WriteRawText(FileNumber file, std::string_view text) {
  const auto store = Table().Find(file);
  return store && store->Write(text.data(), text.size());
}

bool WriteBytes(FileNumber file, std::initializer_list<std::span<const std::uint8_t>> parts) {
  const auto store = Table().Find(file);
  if (!store) return false;
  for (const auto part : parts) {
    if (!store->Write(part.data(), part.size())) return false;
  }
  return true;
}

bool DeleteData(FileNumber file, std::int64_t n) {
  const auto store = Table().Find(file);
  if (!store || n < 0) return false;
  const std::int64_t at = store->Position();
  const std::int64_t length = store->Length();
  if (n == 0 || at >= length) return true;
  n = std::min(n, length - at);
  // Move the rest down a block at a time, then cut off the tail.
  constexpr std::size_t kBlock = 4096;
  std::uint8_t block[kBlock];
  for (std::int64_t from = at + n, to = at; from < length;) {
    std::size_t got = 0;
    if (!store->Seek(from) || !store->Read(block, kBlock, got) || got == 0) return false;
    if (!store->Seek(to) || !store->Write(block, got)) return false;
    from += static_cast<std::int64_t>(got);
    to += static_cast<std::int64_t>(got);
  }
  const bool cut = store->Truncate(length - n);
  store->Seek(at);
  return cut;
}

void CloseFile(FileNumber file) { Table().Remove(file); }

namespace data_format {

void Append(ByteString& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

void Append(ByteString& out, const ByteString& bytes) {
  const auto length = static_cast<std::uint32_t>(bytes.size());
  AppendRaw(out, &length, sizeof length);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void Append(ByteString& out, bool logical) {
  const std::int32_t value = logical ? 1 : 0;
  AppendRaw(out, &value, sizeof value);
}

void AppendRaw(ByteString& out, const void* data, std::size_t n) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  out.insert(out.end(), bytes, bytes + n);
}

bool Reader::ReadRaw(void* data, std::size_t n) {
  const auto store = Table().Find(file_);
  std::size_t got = 0;
  return store && store->Read(data, n, got) && got == n;
}

bool Reader::Read(std::string& text) {
  const auto store = Table().Find(file_);
  if (!store) return false;
  text.clear();
  char chunk[256];
  for (;;) {
    const std::int64_t chunkStart = store->Position();
    std::size_t got = 0;
    if (!store->Read(chunk, sizeof chunk, got)) return false;
    if (got == 0) return !text.empty();  // the end ends a text that has begun
    const char* zero = static_cast<const char*>(std::memchr(chunk, 0, got));
    if (!zero) {
      text.append(chunk, got);
      continue;
    }
    text.append(chunk, static_cast<std::size_t>(zero - chunk));
    return store->Seek(chunkStart + (zero - chunk) + 1);
  }
}

bool Reader::Read(ByteString& bytes) {
  std::uint32_t length = 0;
  if (!ReadRaw(&length, sizeof length)) return false;
  const auto store = Table().Find(file_);
  // Never trust a length beyond what the file still holds: a damaged block must not make us
  // allocate gigabytes.
  if (!store || store->Length() - store->Position() < static_cast<std::int64_t>(length)) return false;
  bytes.resize(length);
  return length == 0 || ReadRaw(bytes.data(), length);
}

bool Reader::Read(bool& logical) {
  std::int32_t value = 0;
  if (!ReadRaw(&value, sizeof value)) return false;
  logical = value != 0;
  return true;
}

bool WriteEncoded(FileNumber file, const ByteString& encoded) {
  const auto store = Table().Find(file);
  if (!store) return false;
  const std::int64_t start = store->Position();
  if (store->Write(encoded.data(), encoded.size())) return true;
  store->Seek(start);
  return false;
}

bool RestorePosition(FileNumber file, std::int64_t start) {
  const auto store = Table().Find(file);
  return store && store->Seek(start);
}

}  // namespace data_format
}  // namespace tarnvel
