// Disk files behind FileOpen: one file handle, positioned reads and writes.
#include <windows.h>

#include <algorithm>

#include "runtime/encoding.h"
#include "runtime/openfile_store.h"

namespace tarnvel {
namespace {

class DiskStore final : public FileStore {
 public:
  explicit DiskStore(HANDLE file) : file_(file) {}
  DiskStore(const DiskStore&) = delete;
  DiskStore& operator=(const DiskStore&) = delete;
  ~DiskStore() override { CloseHandle(file_); }

  bool Read(void* data, std::size_t n, std::size_t& got) override {
    got = 0;
    auto* bytes = static_cast<char*>(data);
    while (got < n) {
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(n - got, 1u << 30));
      DWORD read = 0;
      if (!ReadFile(file_, bytes + got, ask, &read, nullptr)) return false;
      if (read == 0) break;
      got += read;
    }
    return true;
  }

  bool Write(const void* data, std::size_t n) override {
    const auto* bytes = static_cast<const char*>(data);
    for (std::size_t done = 0; done < n;) {
      const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_, bytes + done, ask, &written, nullptr) || written == 0) return false;
      done += written;
    }
    return true;
  }

  std::int64_t Length() override {
    LARGE_INTEGER size{};
    return GetFileSizeEx(file_, &size) ? size.QuadPart : -1;
  }

  std::int64_t Position() override {
    LARGE_INTEGER zero{}, at{};
    return SetFilePointerEx(file_, zero, &at, FILE_CURRENT) ? at.QuadPart : -1;
  }

  bool Seek(std::int64_t position) override {
    LARGE_INTEGER to{};
    to.QuadPart = position;
    return position >= 0 && SetFilePointerEx(file_, to, nullptr, FILE_BEGIN);
  }

  bool Truncate(std::int64_t length) override { return Seek(length) && SetEndOfFile(file_); }

 private:
  HANDLE file_;
};

}  // namespace

std::unique_ptr<FileStore> OpenDiskFile(const std::string& path, int mode, int share) {
  static constexpr DWORD kAccess[] = {GENERIC_READ,  GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE,
                                      GENERIC_WRITE, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  static constexpr DWORD kDisposition[] = {OPEN_EXISTING, OPEN_EXISTING, OPEN_EXISTING,
                                           CREATE_ALWAYS, OPEN_ALWAYS,   OPEN_ALWAYS};
  static constexpr DWORD kShare[] = {FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_SHARE_WRITE, FILE_SHARE_READ,
                                     0};
  const std::wstring wide = PathToWide(path);
  HANDLE file = CreateFileW(wide.c_str(), kAccess[mode - 1], kShare[share - 1], nullptr,
                            kDisposition[mode - 1], FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<DiskStore>(file);
}

}  // namespace tarnvel
