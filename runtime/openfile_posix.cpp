// Host build of the disk files behind FileOpen, through the C library (share modes have no
// counterpart here and are accepted as given).
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

#include "runtime/openfile_store.h"

namespace tarnvel {
namespace {

class PosixStore final : public FileStore {
 public:
  explicit PosixStore(std::FILE* file) : file_(file) {}
  PosixStore(const PosixStore&) = delete;
  PosixStore& operator=(const PosixStore&) = delete;
  ~PosixStore() override { std::fclose(file_); }

  bool Read(void* data, std::size_t n, std::size_t& got) override {
    Switch(kReading);
    got = std::fread(data, 1, n, file_);
    return !std::ferror(file_);
  }
  bool Write(const void* data, std::size_t n) override {
    Switch(kWriting);
    return std::fwrite(data, 1, n, file_) == n;
  }
  std::int64_t Length() override {
    std::fflush(file_);
    struct stat st {};
    return fstat(fileno(file_), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
  }
  std::int64_t Position() override { return ftello(file_); }
  bool Seek(std::int64_t position) override {
    last_ = kNone;
    return fseeko(file_, position, SEEK_SET) == 0;
  }
  bool Truncate(std::int64_t length) override {
    return std::fflush(file_) == 0 && ftruncate(fileno(file_), length) == 0;
  }

 private:
  enum Op { kNone, kReading, kWriting };
  // The C library needs a seek between a read and a write on the same stream.
  void Switch(Op next) {
    if (last_ != kNone && last_ != next) fseeko(file_, 0, SEEK_CUR);
    last_ = next;
  }

  std::FILE* file_;
  Op last_ = kNone;
};

}  // namespace

std::unique_ptr<FileStore> OpenDiskFile(const std::string& path, int mode, int /*share*/) {
  struct stat st {};
  const bool exists = stat(path.c_str(), &st) == 0;
  const char* how = nullptr;
  switch (mode) {
    case 1:
      how = "rb";
      break;
    case 2:
      how = exists ? "r+b" : nullptr;
      break;
    case 3:
      how = exists ? "r+b" : nullptr;
      break;
    case 4:
      how = "w+b";
      break;
    case 5:
    case 6:
      how = exists ? "r+b" : "w+b";
      break;
  }
  if (!how) return nullptr;
  std::FILE* file = std::fopen(path.c_str(), how);
  return file ? std::make_unique<PosixStore>(file) : nullptr;
}

}  // namespace tarnvel
#endif
