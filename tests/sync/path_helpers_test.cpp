#include "sync/path_helpers.h"

#include <gtest/gtest.h>

#include "sync/main_controls.h"

namespace tarnvel {
namespace {

// "乗" is 0x81 0x5C in GBK: its second byte is the code of "\".
const std::string kTrailBackslash = "\x81\x5C";

struct NormaliseCase {
  std::string in;
  std::string out;
};

class NormalisePathTest : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(NormalisePathTest, GivesTheLookupForm) { EXPECT_EQ(NormalisePath(GetParam().in), GetParam().out); }

INSTANTIATE_TEST_SUITE_P(
    Examples, NormalisePathTest,
    ::testing::Values(NormaliseCase{"D:/Data//Sub/", "d:\\data\\sub"},
                      NormaliseCase{"\\\\Server\\Share\\A.TXT", "\\\\server\\share\\a.txt"},
                      NormaliseCase{"E:", "e:\\"}, NormaliseCase{"E:\\", "e:\\"},
                      NormaliseCase{"\"C:\\Program Files\\X\"", "c:\\program files\\x"},
                      NormaliseCase{"c:\\\\\\a\\\\\\b\\\\", "c:\\a\\b"}, NormaliseCase{"", ""},
                      NormaliseCase{"//srv/share/", "\\\\srv\\share"},
                      // Double-byte characters keep their bytes; only ASCII capitals fold.
                      NormaliseCase{"D:\\目录\\ABC", "d:\\目录\\abc"}));

TEST(NormalisePath, TrailByteBackslashIsNotASeparator) {
  // A path ending in 乗 keeps it whole: its last byte is no trailing separator.
  EXPECT_EQ(NormalisePath("D:\\" + kTrailBackslash), "d:\\" + kTrailBackslash);
  // Followed by a real separator, only that separator goes.
  EXPECT_EQ(NormalisePath("D:\\" + kTrailBackslash + "\\"), "d:\\" + kTrailBackslash);
}

// Only the root prefix is mapped: a relative root once rewrote every occurrence of its text, so
// "old-src" inside the tree became "old-dst".
TEST(MapBetweenRoots, IgnoresAsciiCaseAndMapsOnlyTheRootPrefix) {
  EXPECT_EQ(MapBetweenRoots("d:\\data\\sub\\a.txt", "D:\\Data\\", "E:\\Bak\\"), "E:\\Bak\\sub\\a.txt");
  EXPECT_EQ(MapBetweenRoots("x\\a\\y\\a\\", "a\\", "b\\"), "x\\a\\y\\a\\");
  EXPECT_EQ(MapBetweenRoots("a\\y\\a\\", "a\\", "b\\"), "b\\y\\a\\");
  EXPECT_EQ(MapBetweenRoots("D:\\old-src\\old-src\\f", "D:\\old-src\\", "D:\\old-dst\\"), "D:\\old-dst\\old-src\\f");
  EXPECT_EQ(MapBetweenRoots("D:\\other\\f", "D:\\Data\\", "E:\\"), "D:\\other\\f");
  EXPECT_EQ(MapBetweenRoots("D:\\f", "", "E:\\"), "D:\\f");
}

TEST(MapBetweenRoots, ComparesDoubleByteCharactersAsTheyAre) {
  // Case folding touches ASCII letters only: the second byte of a double-byte character is
  // never folded or matched on its own.
  const std::string root = "D:\\资料\\";
  EXPECT_EQ(MapBetweenRoots("d:\\资料\\a", root, "E:\\"), "E:\\a");
  // 0x81 0x5C followed by "a\": the "\a\" inside must not be taken from the character.
  EXPECT_EQ(MapBetweenRoots("D:\\" + kTrailBackslash + "a\\f", "\\a\\", "\\b\\"),
            "D:\\" + kTrailBackslash + "a\\f");
}

TEST(MapToTarget, ReadsTheRootsFromTheBoxesAtEveryUse) {
  MainControls controls;
  controls.sourceBox.SetText("D:\\Data\\");
  controls.targetBox.SetText("E:\\Bak\\");
  EXPECT_EQ(MapToTarget(controls, "d:\\data\\sub\\"), "E:\\Bak\\sub\\");
  EXPECT_EQ(MapToSource(controls, "e:\\bak\\sub\\f.txt"), "D:\\Data\\sub\\f.txt");
  controls.targetBox.SetText("F:\\");
  EXPECT_EQ(MapToTarget(controls, "D:\\Data\\x"), "F:\\x");
}

TEST(DirectoryPathSteps, CreatesEveryParentFirst) {
  EXPECT_EQ(DirectoryPathSteps("E:\\bak\\a\\b"),
            (TextArray{"E:\\", "E:\\bak\\", "E:\\bak\\a\\", "E:\\bak\\a\\b"}));
  EXPECT_EQ(DirectoryPathSteps("F:\\new\\deep\\bak\\"),
            (TextArray{"F:\\", "F:\\new\\", "F:\\new\\deep\\", "F:\\new\\deep\\bak"}));
  EXPECT_EQ(DirectoryPathSteps("F:/a/b/"), (TextArray{"F:\\", "F:\\a\\", "F:\\a\\b"}));
  EXPECT_EQ(DirectoryPathSteps("plain"), (TextArray{"plain"}));
  EXPECT_TRUE(DirectoryPathSteps("").empty());
  // The second byte of 乗 is no separator.
  EXPECT_EQ(DirectoryPathSteps("E:\\" + kTrailBackslash + "x"),
            (TextArray{"E:\\", "E:\\" + kTrailBackslash + "x"}));
}

}  // namespace
}  // namespace tarnvel
