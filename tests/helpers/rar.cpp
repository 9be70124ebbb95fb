// A stand-in for the RAR command-line tool, for the update's archive mode: "a -m3 ARCHIVE FILE..."
// writes a new archive of the files (no compression), "x -y ARCHIVE DIR" writes its members into
// DIR. Its format is its own but lays each member out as the update reads member names: a
// marker byte, the name's length, a zero, the attribute field 20 00 00 00, the name (UTF-8), the
// data's size (8 bytes, little-endian) and the data. Exit code 0 on success, 1 otherwise.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr char kMagic[] = "TVARC\x1a";

std::vector<char> ReadAll(const std::wstring& path, bool& ok) {
  std::vector<char> data;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ok = file != INVALID_HANDLE_VALUE;
  if (!ok) return data;
  LARGE_INTEGER size{};
  GetFileSizeEx(file, &size);
  data.resize(static_cast<std::size_t>(size.QuadPart));
  DWORD got = 0;
  ok = data.empty() ||
       (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) && got == data.size());
  CloseHandle(file);
  return data;
}

bool WriteAll(const std::wstring& path, const std::vector<char>& data) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      data.empty() || (WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                       written == data.size());
  CloseHandle(file);
  return ok;
}

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                      nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

int Add(const std::wstring& archive, int first, int argc, wchar_t** argv) {
  std::vector<char> out(kMagic, kMagic + sizeof kMagic - 1);
  for (int i = first; i < argc; ++i) {
    const std::wstring path = argv[i];
    bool ok = false;
    const std::vector<char> data = ReadAll(path, ok);
    if (!ok) return 1;
    const std::string name = Utf8(path.substr(path.find_last_of(L"\\/") + 1));
    if (name.empty() || name.size() > 255) return 1;
    out.insert(out.end(), {'\x55', static_cast<char>(name.size()), '\0', '\x20', '\0', '\0', '\0'});
    out.insert(out.end(), name.begin(), name.end());
    std::uint64_t size = data.size();
    for (int b = 0; b < 8; ++b) out.push_back(static_cast<char>((size >> (8 * b)) & 0xFF));
    out.insert(out.end(), data.begin(), data.end());
  }
  return WriteAll(archive, out) ? 0 : 1;
}

int Extract(const std::wstring& archive, std::wstring directory) {
  bool ok = false;
  const std::vector<char> in = ReadAll(archive, ok);
  if (!ok || in.size() < sizeof kMagic - 1 || std::string(in.data(), sizeof kMagic - 1) != kMagic) return 1;
  if (directory.empty() || (directory.back() != L'\\' && directory.back() != L'/')) directory += L'\\';
  CreateDirectoryW(directory.c_str(), nullptr);  // as the real tool, it makes its destination
  std::size_t at = sizeof kMagic - 1;
  while (at < in.size()) {
    if (at + 7 > in.size() || in[at] != '\x55') return 1;
    const std::size_t n = static_cast<unsigned char>(in[at + 1]);
    at += 7;
    if (at + n + 8 > in.size()) return 1;
    const std::string name(in.data() + at, n);
    at += n;
    std::uint64_t size = 0;
    for (int b = 0; b < 8; ++b)
      size |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at + b])) << (8 * b);
    at += 8;
    if (size > in.size() - at || name.find_first_of("\\/:") != std::string::npos) return 1;
    if (!WriteAll(directory + Wide(name), std::vector<char>(in.begin() + at, in.begin() + at + size)))
      return 1;
    at += size;
  }
  return 0;
}

int Run(int argc, wchar_t** argv) {
  if (argc >= 5 && std::wstring(argv[1]) == L"a" && std::wstring(argv[2]) == L"-m3")
    return Add(argv[3], 4, argc, argv);
  if (argc == 5 && std::wstring(argv[1]) == L"x" && std::wstring(argv[2]) == L"-y")
    return Extract(argv[3], argv[4]);
  return 2;
}

}  // namespace

// A failure says what the tool was given (UTF-8 on the error output).
int wmain(int argc, wchar_t** argv) {
  const int code = Run(argc, argv);
  if (code != 0) {
    std::string said = "rar stand-in failed (" + std::to_string(code) + "):";
    for (int i = 1; i < argc; ++i) said += " [" + Utf8(argv[i]) + "]";
    said += "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), said.data(), static_cast<DWORD>(said.size()), &written,
              nullptr);
  }
  return code;
}
