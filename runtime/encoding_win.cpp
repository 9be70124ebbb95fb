// Windows build of the GBK tables (the system's code page 936) and of the path forms.
#include <windows.h>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

constexpr UINT kGbk = 936;

bool IsDriveAbsolute(std::string_view p) {
  return p.size() >= 3 && p[1] == ':' && (p[2] == '\\' || p[2] == '/');
}

// The exact wide form, or the empty path that names nothing.
std::wstring ExactWide(std::string_view utf8) {
  auto wide = Utf8ToWideExact(utf8);
  return wide ? std::move(*wide) : std::wstring();
}

}  // namespace

std::optional<std::u16string> GbkToUtf16Strict(std::string_view gbk) {
  if (gbk.empty()) return std::u16string();
  const int n = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()),
                                    nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
  return std::u16string(out.begin(), out.end());
}

std::optional<std::string> Utf16ToGbkStrict(std::u16string_view utf16) {
  if (utf16.empty()) return std::string();
  const std::wstring wide(utf16.begin(), utf16.end());
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, &usedDefault);
  if (n <= 0 || usedDefault) return std::nullopt;
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, &usedDefault);
  if (usedDefault) return std::nullopt;
  // No best fit, no default character: still check that the bytes mean the same characters.
  const auto back = GbkToUtf16Strict(out);
  if (!back || *back != utf16) return std::nullopt;
  return out;
}

std::wstring PathToWide(std::string_view path) {
  // Below this length every file API takes the plain form; MAX_PATH less room for "\8.3name".
  constexpr size_t kPlainLimit = 240;
  std::wstring wide = ExactWide(path);
  if (wide.empty()) return wide;
  if (wide.size() < kPlainLimit || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const std::string collapsed = CollapseSeparators(path);
  const bool share = collapsed.rfind("\\\\", 0) == 0;
  if (!share && !IsDriveAbsolute(collapsed)) {
    // A relative long path: let the system make it absolute (which also resolves . and ..).
    const std::wstring rel = ExactWide(collapsed);
    const DWORD n = GetFullPathNameW(rel.c_str(), 0, nullptr, nullptr);
    if (n == 0) return rel;
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(rel.c_str(), n, full.data(), nullptr);
    full.resize(got);
    return full.size() >= 2 && full[1] == L':' ? L"\\\\?\\" + full : full;
  }
  // \\?\ turns off the system's own clean-up, so "." and ".." are resolved here.
  const std::wstring abs = ExactWide(collapsed);
  const DWORD n = GetFullPathNameW(abs.c_str(), 0, nullptr, nullptr);
  std::wstring full = abs;
  if (n != 0) {
    full.assign(n, L'\0');
    full.resize(GetFullPathNameW(abs.c_str(), n, full.data(), nullptr));
  }
  if (share) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

namespace {

std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), n, full.data(), nullptr));
  return full;
}

// The \\?\ form of an absolute path, which the system takes exactly as written.
std::wstring VerbatimForm(const std::wstring& full) {
  if (full.rfind(L"\\\\?\\", 0) == 0) return full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

bool EndsInDotOrBlank(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && (name.back() == '.' || name.back() == ' ');
}

}  // namespace

std::wstring ExactPathToWide(std::string_view path) {
  if (!IsWtf8(path)) return {};
  const std::string_view name = LastPathComponent(path);
  if (path.rfind("\\\\?\\", 0) == 0 || !EndsInDotOrBlank(name)) return PathToWide(path);
  // The folder as a plain path names it; the name as it was listed.
  const std::string_view parent = path.substr(0, static_cast<std::size_t>(name.data() - path.data()));
  std::wstring folder = FullPath(parent.empty() ? std::wstring(L".") : ExactWide(CollapseSeparators(parent)));
  if (folder.empty()) return PathToWide(path);
  if (folder.back() != L'\\') folder += L'\\';
  const std::wstring exact = VerbatimForm(folder) + ExactWide(name);
  if (GetFileAttributesW(exact.c_str()) != INVALID_FILE_ATTRIBUTES) return exact;
  return PathToWide(path);
}

}  // namespace tarnvel
