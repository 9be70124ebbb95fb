#include "runtime/registry.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

TEST(RegistryPath, SplitsAtTheLastBackslash) {
  const RegistryPath p = SplitRegistryPath("SOFTWARE\\kelvotra\\Orvane目录同步\\phoh");
  EXPECT_EQ(p.key, "SOFTWARE\\kelvotra\\Orvane目录同步");
  EXPECT_EQ(p.valueName, "phoh");

  const RegistryPath vendor = SplitRegistryPath("SOFTWARE\\kelvotra\\Orvane目录同步VLS");
  EXPECT_EQ(vendor.key, "SOFTWARE\\kelvotra");
  EXPECT_EQ(vendor.valueName, "Orvane目录同步VLS");
}

TEST(RegistryPath, NoBackslashNamesAValueUnderTheRootAndATrailingOneTheDefault) {
  const RegistryPath bare = SplitRegistryPath("Setting");
  EXPECT_EQ(bare.key, "");
  EXPECT_EQ(bare.valueName, "Setting");

  const RegistryPath def = SplitRegistryPath("WinRAR\\DefaultIcon\\");
  EXPECT_EQ(def.key, "WinRAR\\DefaultIcon");
  EXPECT_EQ(def.valueName, "");

  const RegistryPath empty = SplitRegistryPath("");
  EXPECT_EQ(empty.key, "");
  EXPECT_EQ(empty.valueName, "");
}

TEST(RegistryPath, NamesOfAnyScriptSplitAtTheLastBackslash) {
  const RegistryPath p = SplitRegistryPath("SOFTWARE\\kelvotra\\Orvane目录同步\\목록😀");
  EXPECT_EQ(p.key, "SOFTWARE\\kelvotra\\Orvane目录同步");
  EXPECT_EQ(p.valueName, "목록😀");
}

TEST(RegistryRoot, NumbersMapAndUnknownOnesMeanTheCurrentUser) {
  EXPECT_EQ(RegistryRootOf(1), RegistryRoot::ClassesRoot);
  EXPECT_EQ(RegistryRootOf(2), RegistryRoot::CurrentConfig);
  EXPECT_EQ(RegistryRootOf(3), RegistryRoot::CurrentUser);
  EXPECT_EQ(RegistryRootOf(4), RegistryRoot::LocalMachine);
  EXPECT_EQ(RegistryRootOf(5), RegistryRoot::Users);
  EXPECT_EQ(RegistryRootOf(0), RegistryRoot::CurrentUser);
  EXPECT_EQ(RegistryRootOf(-7), RegistryRoot::CurrentUser);
  EXPECT_EQ(RegistryRootOf(6), RegistryRoot::CurrentUser);
}

}  // namespace
}  // namespace tarnvel
