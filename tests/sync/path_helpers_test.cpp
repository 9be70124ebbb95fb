#include "sync/path_helpers.h"

#include <gtest/gtest.h>

#include "sync/main_controls.h"
#include "sync/walk_roots.h"

namespace tarnvel {
namespace {

// A character that was "\x81\x5C" in GBK, whose second byte was the code of "\"; in UTF-8
// (E4 B9 97) no byte of it is ASCII.
const std::string kJo = "乗";

struct NormaliseCase {
  std::string in;
  std::string out;
};

class NormalisePathTest : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(NormalisePathTest, GivesTheLookupForm) { EXPECT_EQ(NormalisePath(GetParam().in), GetParam().out); }

TEST_P(NormalisePathTest, ASecondPassChangesNothing) {
  const std::string once = NormalisePath(GetParam().in);
  EXPECT_EQ(NormalisePath(once), once) << GetParam().in;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, NormalisePathTest,
    ::testing::Values(NormaliseCase{"D:/Data//Sub/", "d:\\data\\sub"},
                      NormaliseCase{"\\\\Server\\Share\\A.TXT", "\\\\server\\share\\a.txt"},
                      NormaliseCase{"E:", "e:\\"}, NormaliseCase{"E:\\", "e:\\"},
                      NormaliseCase{"\"C:\\Program Files\\X\"", "c:\\program files\\x"},
                      NormaliseCase{"c:\\\\\\a\\\\\\b\\\\", "c:\\a\\b"}, NormaliseCase{"", ""},
                      NormaliseCase{"//srv/share/", "\\\\srv\\share"},
                      // Other characters keep their bytes; only ASCII capitals fold.
                      NormaliseCase{"D:\\目录\\ABC", "d:\\目录\\abc"},
                      NormaliseCase{"D:\\ÄÖ\\Ελληνικά\\", "d:\\ÄÖ\\Ελληνικά"},
                      // "Copy as path" quotes: the separator inside them is a trailing one.
                      NormaliseCase{"\"D:\\사진\\\"", "d:\\사진"}, NormaliseCase{"\"E:\"", "e:\\"},
                      NormaliseCase{"\"\\\\srv\\share\\\"", "\\\\srv\\share"}, NormaliseCase{"\\", "\\\\"},
                      NormaliseCase{"a:b:", "a:\\b:\\"}, NormaliseCase{"\"x\"\\\"y\"/", "x\\y"}));

TEST(NormalisePath, CharactersAndStrayBytesBeforeTheLastSeparator) {
  EXPECT_EQ(NormalisePath("D:\\" + kJo), "d:\\" + kJo);
  EXPECT_EQ(NormalisePath("D:\\" + kJo + "\\"), "d:\\" + kJo);
  // A byte that starts no character is one of its own: the "\" after it is a separator.
  EXPECT_EQ(NormalisePath("D:\\x\x81\\"), "d:\\x\x81");
  EXPECT_EQ(NormalisePath("D:\\emoji😀\\"), "d:\\emoji😀");
}

// Only the root prefix is mapped: a relative root once rewrote every occurrence of its text, so
// "old-src" inside the tree became "old-dst".
TEST(MapBetweenRoots, IgnoresAsciiCaseAndMapsOnlyTheRootPrefix) {
  EXPECT_EQ(MapBetweenRoots("d:\\data\\sub\\a.txt", "D:\\Data\\", "E:\\Bak\\"), "E:\\Bak\\sub\\a.txt");
  EXPECT_EQ(MapBetweenRoots("x\\a\\y\\a\\", "a\\", "b\\"), "x\\a\\y\\a\\");
  EXPECT_EQ(MapBetweenRoots("a\\y\\a\\", "a\\", "b\\"), "b\\y\\a\\");
  EXPECT_EQ(MapBetweenRoots("D:\\old-src\\old-src\\f", "D:\\old-src\\", "D:\\old-dst\\"),
            "D:\\old-dst\\old-src\\f");
  EXPECT_EQ(MapBetweenRoots("D:\\other\\f", "D:\\Data\\", "E:\\"), "D:\\other\\f");
  EXPECT_EQ(MapBetweenRoots("D:\\f", "", "E:\\"), "D:\\f");
}

TEST(MapBetweenRoots, ComparesOtherCharactersAsTheyAre) {
  // Case folding touches ASCII letters only; a root never matches inside a character.
  const std::string root = "D:\\资料\\";
  EXPECT_EQ(MapBetweenRoots("d:\\资料\\a", root, "E:\\"), "E:\\a");
  EXPECT_EQ(MapBetweenRoots("D:\\" + kJo + "a\\f", "\\a\\", "\\b\\"), "D:\\" + kJo + "a\\f");
  EXPECT_EQ(MapBetweenRoots("D:\\Ä\\f", "D:\\ä\\", "E:\\"), "D:\\Ä\\f");
  // "资" is E8 B5 84; a root made of its last two bytes is no match.
  EXPECT_EQ(MapBetweenRoots("资料", "\xB5\x84", "x"), "资料");
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
  EXPECT_EQ(DirectoryPathSteps("E:\\" + kJo + "x\\한글"),
            (TextArray{"E:\\", "E:\\" + kJo + "x\\", "E:\\" + kJo + "x\\한글"}));
}

}  // namespace
}  // namespace tarnvel

namespace tarnvel {
namespace {

// A root names a place without a current directory: drive-relative ("Z:x"), rooted without a
// drive ("\x"), relative and device forms are no roots.
TEST(WalkRootText, OnlyFullPathsAreRoots) {
  for (const char* full :
       {"Z:\\", "z:/a", "\\\\server\\share", "//server/share", "\\\\?\\Z:\\a", "\\\\?\\UNC\\s\\h"}) {
    EXPECT_TRUE(IsAbsoluteRoot(full)) << full;
  }
  for (const char* partial :
       {"", "Z:", "Z:x", "\\x", "/x", "x\\y", ".", "\\\\.\\Z:", "\\\\?\\UNC\\", "1:\\x"}) {
    EXPECT_FALSE(IsAbsoluteRoot(partial)) << partial;
  }
}

}  // namespace
}  // namespace tarnvel
