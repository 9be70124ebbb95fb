// The settings file on disk: read whole, changed in memory, written beside and swapped in.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "runtime/encoding.h"
#include "runtime/inifile.h"

namespace tarnvel {
namespace {

// Leading bytes of 0x20 and below are not part of a file, section or key name.
std::string_view SkipLeadingControls(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
  return s;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  bool Close() {
    const bool ok = h_ == INVALID_HANDLE_VALUE || CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

// Unlike ReadWholeFile this tells a read failure from an empty file: a settings file that is
// there but cannot be read must never be replaced by one holding only the new item.
bool ReadBytes(const std::wstring& path, std::string& bytes) {
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  bytes.clear();
  char block[16384];
  DWORD got = 0;
  for (;;) {
    if (!ReadFile(file.Get(), block, sizeof block, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes.append(block, got);
  }
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
  Handle file(
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD written = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    if (!WriteFile(file.Get(), bytes.data() + done, ask, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return FlushFileBuffers(file.Get()) && file.Close();
}

std::wstring TemporaryNameBeside(const std::wstring& path) {
  static std::atomic<unsigned> counter{0};
  return path + L".~" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L".tmp";
}

// Writes the new contents beside the file and renames them over it, so that the old file stays
// whole until the new one is complete. The hidden, system and archive bits carry over.
bool ReplaceContents(const std::wstring& path, const std::string& bytes, DWORD oldAttributes) {
  std::wstring temp = TemporaryNameBeside(path);
  bool ok = WriteNewFile(temp, bytes);
  if (!ok && GetLastError() == ERROR_FILE_EXISTS) {  // left behind by an earlier crash
    temp = TemporaryNameBeside(path);
    ok = WriteNewFile(temp, bytes);
  }
  if (ok && oldAttributes != INVALID_FILE_ATTRIBUTES) {
    const DWORD keep =
        oldAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    ok = SetFileAttributesW(temp.c_str(), keep ? keep : FILE_ATTRIBUTE_NORMAL);
  }
  ok = ok && MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

}  // namespace

std::string ReadIniItem(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& defaultValue) {
  const std::string_view f = SkipLeadingControls(file), s = SkipLeadingControls(section),
                         k = SkipLeadingControls(key);
  if (f.empty() || s.empty() || k.empty()) return {};
  std::string bytes;
  if (!ReadBytes(PathToWide(f), bytes)) return defaultValue;
  return IniValue(ParseIni(bytes), s, k).value_or(defaultValue);
}

bool WriteIniItem(const std::string& file, const std::string& section, const std::optional<std::string>& key,
                  const std::optional<std::string>& value) {
  const std::string_view f = SkipLeadingControls(file), s = SkipLeadingControls(section);
  const std::string_view k = key ? SkipLeadingControls(*key) : std::string_view();
  if (f.empty() || s.empty() || (key && k.empty())) return false;
  const std::wstring path = PathToWide(f);

  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) return false;
  std::string original;
  if (exists && !ReadBytes(path, original)) return false;

  IniDocument doc = ParseIni(original);  // a missing or empty file: a new one
  if (!key) {
    if (!DeleteIniSection(doc, s)) return true;  // nothing to delete
  } else if (!value) {
    if (!DeleteIniKey(doc, s, k)) return true;
  } else if (!SetIniValue(doc, s, k, *value)) {
    return false;
  }
  const std::string bytes = SerializeIni(doc);
  if (exists && bytes == original) return true;
  return ReplaceContents(path, bytes, attributes);
}

}  // namespace tarnvel
