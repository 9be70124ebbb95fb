#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "tests/support/tree_snapshot_win.h"
#endif

#include "runtime/encoding.h"

namespace tarnvel::test {
namespace {

namespace fs = std::filesystem;

std::string CaseName() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "no-test";
  for (char& c : name) {
    if (c == '/' || c == '\\' || c == ':') c = '_';
  }
  return name;
}

fs::path SandboxRoot() {
#ifdef _WIN32
  return fs::path(L"Z:\\") / fs::path(testing::internal::GetArgvs().front()).stem();
#else
  // ctest names a folder of the build; a test started by hand falls back to the system's.
  const char* scratch = std::getenv("TARNVEL_TEST_SCRATCH");
  const fs::path base = scratch != nullptr && *scratch != '\0' ? fs::path(scratch)
                                                               : fs::temp_directory_path() / "tarnvel-tests";
  return base / fs::path(testing::internal::GetArgvs().front()).stem();
#endif
}

}  // namespace

#ifdef _WIN32
void RemoveTree(const std::wstring& path, std::vector<std::wstring>& left) {
  const std::wstring extended = L"\\\\?\\" + path;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((extended + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      if (name.find_first_of(L"\\/") != std::wstring::npos) {
        left.push_back(child + L" (a name no path can give)");
      } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                 !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        RemoveTree(child, left);
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (!RemoveDirectoryW((L"\\\\?\\" + child).c_str()) && !DeleteFileW((L"\\\\?\\" + child).c_str())) {
          left.push_back(child + L" (a link)");
        }
      } else {
        SetFileAttributesW((L"\\\\?\\" + child).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW((L"\\\\?\\" + child).c_str())) left.push_back(child);
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  SetFileAttributesW(extended.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!RemoveDirectoryW(extended.c_str()) &&
      GetFileAttributesW(extended.c_str()) != INVALID_FILE_ATTRIBUTES && left.empty()) {
    left.push_back(path);
  }
}
#endif

namespace {

// A folder that an earlier run left and that cannot be removed fails the test here, loudly: left
// in place it would make this run's results depend on what that one did.
fs::path FreshPath() {
  const fs::path dir = SandboxRoot() / CaseName();
  std::error_code ec;
#ifdef _WIN32
  std::vector<std::wstring> left;
  if (GetFileAttributesW(dir.wstring().c_str()) != INVALID_FILE_ATTRIBUTES) RemoveTree(dir.wstring(), left);
  if (!left.empty()) {
    std::string names;
    for (std::size_t i = 0; i < left.size() && i < 10; ++i) names += "\n  " + Utf8(left[i]);
    ADD_FAILURE() << "the test folder of an earlier run could not be removed: " << Utf8(dir.wstring())
                  << "; left behind (" << left.size() << "):" << names;
  }
#else
  fs::remove_all(dir, ec);
  if (ec || fs::exists(dir)) {
    ADD_FAILURE() << "the test folder of an earlier run could not be removed: " << dir.string() << ": "
                  << ec.message();
  }
#endif
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir)) {
    ADD_FAILURE() << "the test folder could not be made: " << dir.string() << ": " << ec.message();
  }
  return dir;
}

}  // namespace

std::string FreshTestDir() {
  const fs::path dir = FreshPath();
#ifdef _WIN32
  return WideToUtf8(dir.wstring()) + "\\";
#else
  return dir.string() + "/";
#endif
}

std::wstring FreshTestDirWide() { return Utf8ToWide(FreshTestDir()); }

}  // namespace tarnvel::test
