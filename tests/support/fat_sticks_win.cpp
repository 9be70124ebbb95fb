#include "tests/support/fat_sticks_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "tests/support/tree_snapshot_win.h"

namespace tarnvel::test {

namespace fs = std::filesystem;

std::string FatSticksMissing() {
  std::ifstream missing("Z:\\fat-missing.txt");
  std::string why;
  if (missing && std::getline(missing, why) && why.empty()) why = "no FUSE on this machine";
  return why;
}

bool FatSticksMounted() {
  std::error_code error;
  return fs::exists(kStickImage, error) && fs::is_directory(L"S:\\", error) &&
         fs::is_directory(L"T:\\", error);
}

std::wstring FreshStickFolder(const std::wstring& root, bool wholeStick) {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/' || c == '\\' || c == ':') c = '_';
  }
  const fs::path folder = fs::path(root) / std::wstring(name.begin(), name.end());
  std::error_code error;
  if (wholeStick) {
    for (const auto& entry : fs::directory_iterator(root, error)) fs::remove_all(entry.path(), error);
  }
  fs::remove_all(folder, error);
  fs::create_directories(folder, error);
  EXPECT_TRUE(fs::is_empty(folder, error)) << "the stick's folder could not be made afresh";
  return folder.wstring() + L"\\";
}

std::uint64_t ImageHash(const std::wstring& image) {
  std::ifstream in(fs::path(image), std::ios::binary);
  std::vector<char> block(1 << 20);
  std::uint64_t hash = 14695981039346656037ull;
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    hash = Fnv1a(block.data(), static_cast<std::size_t>(in.gcount()), hash);
  }
  return hash;
}

}  // namespace tarnvel::test
