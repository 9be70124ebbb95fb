// The FAT sticks of tools/test-fat (ctest fixture "fat"): S: (64 MB) and T: (16 MB), FAT images
// mounted through FUSE, their images readable as Z:\fat-images\stick.img and small.img.
#pragma once

#include <cstdint>
#include <string>

namespace tarnvel::test {

// Why the sticks cannot be had on this machine (no /dev/fuse, as the fixture found), or "".
std::string FatSticksMissing();

// True when both sticks are mapped and mounted.
bool FatSticksMounted();

// A fresh, empty folder named after the running test on the stick whose root is given ("S:\");
// with a trailing backslash. With `wholeStick` everything else on the stick goes first (the
// tests that fill T: need all of it).
std::wstring FreshStickFolder(const std::wstring& root, bool wholeStick = false);

// FNV-1a of a whole image file: equal before and after a run exactly when the run wrote nothing.
std::uint64_t ImageHash(const std::wstring& image);

inline constexpr const wchar_t* kStickImage = L"Z:\\fat-images\\stick.img";

}  // namespace tarnvel::test

// Skips the test where the machine has no FUSE and fails it where the sticks are not mounted.
#define TARNVEL_REQUIRE_FAT_STICKS()                                                                         \
  do {                                                                                                       \
    const std::string why = ::tarnvel::test::FatSticksMissing();                                             \
    if (!why.empty()) GTEST_SKIP() << why;                                                                   \
    ASSERT_TRUE(::tarnvel::test::FatSticksMounted()) << "the FAT sticks are not mounted: run under ctest's " \
                                                        "fixture \"fat\" (tools/test-fat start BUILD_DIR)";  \
  } while (false)
