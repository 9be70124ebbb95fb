// Only the copy's own temporary names are taken for what a killed run left behind.
#include "sync/walk_support.h"

#include <gtest/gtest.h>

#include "runtime/files.h"

namespace tarnvel {
namespace {

TEST(TemporaryName, OwnNamesOnly) {
  for (int i = 0; i < 100; ++i) EXPECT_TRUE(IsTemporaryFileName(TemporaryFileName()));
  for (const char* name : {"~tv1234abcd.tmp", "~tv00000000.tmp", "~tvffffffff.tmp"}) {
    EXPECT_TRUE(IsTemporaryFileName(name)) << name;
  }
  for (const char* name :
       {"~tv1234ABCD.tmp", "~TV1234abcd.tmp", "~tv1234abcd.TMP", "~tv1234abc.tmp", "~tv1234abcde.tmp",
        "~tv1234abcg.tmp", "x~tv1234abcd.tmp", "~tv1234abcd.tmp.txt", "~tv1234abcd.tm", "", "~tv.tmp"}) {
    EXPECT_FALSE(IsTemporaryFileName(name)) << name;
  }
}

}  // namespace
}  // namespace tarnvel
