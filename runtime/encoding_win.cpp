// Windows build of the conversions: the system's own code page 936 and UTF-8 tables.
#include <windows.h>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

constexpr UINT kGbk = 936;

std::wstring ToWide(UINT codePage, std::string_view text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string FromWide(UINT codePage, std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

bool IsDriveAbsolute(std::string_view p) {
  return p.size() >= 3 && p[1] == ':' && (p[2] == '\\' || p[2] == '/');
}

}  // namespace

std::wstring GbkToWide(std::string_view gbk) { return ToWide(kGbk, gbk); }
std::string WideToGbk(std::wstring_view wide) { return FromWide(kGbk, wide); }
std::string GbkToUtf8(std::string_view gbk) { return FromWide(CP_UTF8, ToWide(kGbk, gbk)); }
std::string Utf8ToGbk(std::string_view utf8) { return FromWide(kGbk, ToWide(CP_UTF8, utf8)); }

std::string Utf16LeToGbk(std::string_view bytes) {
  std::wstring wide(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return WideToGbk(wide);
}

std::string GbkToUtf16Le(std::string_view gbk) {
  const std::wstring wide = GbkToWide(gbk);
  std::string out;
  out.reserve(wide.size() * 2);
  for (wchar_t c : wide) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>((c >> 8) & 0xFF);
  }
  return out;
}

std::wstring PathToWide(std::string_view gbkPath) {
  // Below this length every file API takes the plain form; MAX_PATH less room for "\8.3name".
  constexpr size_t kPlainLimit = 240;
  std::wstring wide = GbkToWide(gbkPath);
  if (wide.size() < kPlainLimit || wide.rfind(L"\\\\?\\", 0) == 0) return wide;
  const std::string collapsed = CollapseSeparators(gbkPath);
  const bool share = collapsed.rfind("\\\\", 0) == 0;
  if (!share && !IsDriveAbsolute(collapsed)) {
    // A relative long path: let the system make it absolute (which also resolves . and ..).
    const std::wstring rel = GbkToWide(collapsed);
    const DWORD n = GetFullPathNameW(rel.c_str(), 0, nullptr, nullptr);
    if (n == 0) return rel;
    std::wstring full(n, L'\0');
    const DWORD got = GetFullPathNameW(rel.c_str(), n, full.data(), nullptr);
    full.resize(got);
    return full.size() >= 2 && full[1] == L':' ? L"\\\\?\\" + full : full;
  }
  // \\?\ turns off the system's own clean-up, so "." and ".." are resolved here.
  const std::wstring abs = GbkToWide(collapsed);
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

std::wstring ExactPathToWide(std::string_view gbkPath) {
  const std::string_view name = LastPathComponent(gbkPath);
  if (gbkPath.rfind("\\\\?\\", 0) == 0 || !EndsInDotOrBlank(name)) return PathToWide(gbkPath);
  // The folder as a plain path names it; the name as it was listed.
  const std::string_view parent = gbkPath.substr(0, static_cast<std::size_t>(name.data() - gbkPath.data()));
  std::wstring folder = FullPath(parent.empty() ? std::wstring(L".") : GbkToWide(CollapseSeparators(parent)));
  if (folder.empty()) return PathToWide(gbkPath);
  if (folder.back() != L'\\') folder += L'\\';
  const std::wstring exact = VerbatimForm(folder) + GbkToWide(name);
  if (GetFileAttributesW(exact.c_str()) != INVALID_FILE_ATTRIBUTES) return exact;
  return PathToWide(gbkPath);
}

}  // namespace tarnvel
