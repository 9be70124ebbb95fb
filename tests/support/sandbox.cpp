#include "tests/support/sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

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
  return fs::temp_directory_path() / "tarnvel-tests" /
         fs::path(testing::internal::GetArgvs().front()).stem();
#endif
}

fs::path FreshPath() {
  const fs::path dir = SandboxRoot() / CaseName();
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir, ec);
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
