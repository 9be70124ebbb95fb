// The rule that keeps RemoveDirectoryTree away from roots, whatever form the path takes.
#include <gtest/gtest.h>

#include "runtime/files.h"

namespace tarnvel {
namespace {

class ProtectedRoot : public testing::TestWithParam<std::pair<const char*, bool>> {};

TEST_P(ProtectedRoot, Refused) {
  const auto [path, refused] = GetParam();
  EXPECT_EQ(IsProtectedRoot(path), refused) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ProtectedRoot,
    testing::Values(
        std::pair("", true), std::pair("   ", true), std::pair("C:", true), std::pair("c:\\", true),
        std::pair("C:/", true), std::pair("C:\\\\", true), std::pair("  D:\\", true), std::pair("\\", true),
        std::pair("/", true), std::pair("\\\\server", true), std::pair("\\\\server\\", true),
        std::pair("\\\\server\\share", true), std::pair("\\\\server\\share\\", true),
        std::pair("\\\\?\\C:\\", true), std::pair("\\\\?\\UNC\\server\\share", true),
        std::pair("\\\\.\\C:", true), std::pair("C:\\Windows\\..", true), std::pair("C:\\a\\.\\..\\.", true),
        std::pair("C:\\..\\..", true), std::pair(".", true), std::pair("a\\..", true),
        // Real directories, one level below a root or deeper.
        std::pair("C:\\a", false), std::pair("C:\\a\\", false), std::pair("C:\\a\\b\\..", false),
        std::pair("\\\\server\\share\\dir", false), std::pair("\\\\?\\C:\\a", false),
        std::pair("\\\\?\\UNC\\server\\share\\d", false), std::pair("dir", false), std::pair("\\temp", false),
        // Names of any script are directories below the root.
        std::pair("C:\\한글", false), std::pair("C:\\😀\\..", true), std::pair("C:\\目录\\.", false)));

}  // namespace
}  // namespace tarnvel
