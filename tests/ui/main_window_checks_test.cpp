// The task dialog's checks and the run-start checks of the main window's boxes.
#include <gtest/gtest.h>

#include <string>

#include "ui/main_window_checks.h"
#include "ui/portable.h"

namespace tarnvel {
namespace {

const SystemLocations kOnC{"C:\\", "C:\\windows", "C:\\windows\\system32"};
const SystemLocations kOnD{"D:\\", "D:\\WINNT", "D:\\WINNT\\System32"};

TEST(SystemLocation, EverySpellingOfTheSystemPlacesIsRefused) {
  for (const char* path : {"C:\\", "c:\\", "C:", "c:", "C:/", "C:\\Windows", "c:\\windows\\", "C:/WINDOWS/",
                           "c:\\windows\\system32", "C:\\WINDOWS\\SYSTEM32\\", " c:\\windows "}) {
    EXPECT_TRUE(IsSystemLocation(path, kOnC)) << path;
  }
  // A system installed on D: is guarded there, and C: is an ordinary drive then.
  for (const char* path : {"d:\\", "D:", "d:\\winnt", "D:\\winnt\\system32\\"}) {
    EXPECT_TRUE(IsSystemLocation(path, kOnD)) << path;
  }
  for (const char* path : {"C:\\", "C:\\Windows", "D:\\Windows"})
    EXPECT_FALSE(IsSystemLocation(path, kOnD)) << path;
}

TEST(SystemLocation, OtherPlacesPass) {
  for (const char* path : {"E:\\", "e:", "C:\\备份", "C:\\Windows\\Temp", "C:\\Windows2",
                           "C:\\Windowsx\\system32", "", "\\\\server\\share"}) {
    EXPECT_FALSE(IsSystemLocation(path, kOnC)) << path;
  }
}

TEST(TaskDialogChecks, RefusalsInOrder) {
  EXPECT_EQ(TaskDialogRefusal("", "E:\\b", kOnC), "路径不能为空");
  EXPECT_EQ(TaskDialogRefusal("D:\\a", "", kOnC), "路径不能为空");
  EXPECT_EQ(TaskDialogRefusal("C:\\", "C:\\", kOnC), "路径不能相同")
      << "equal boxes are told before the drive";
  EXPECT_EQ(TaskDialogRefusal("D:\\a", "D:\\a", kOnC), "路径不能相同");
  EXPECT_EQ(TaskDialogRefusal("D:\\a", "C:\\", kOnC), "路径不能为系统盘");
  EXPECT_EQ(TaskDialogRefusal("D:\\a", "c:\\windows", kOnC), "路径不能为系统盘");
  EXPECT_EQ(TaskDialogRefusal("D:\\a", "E:\\", kOnC), std::nullopt)
      << "a removable disk's root stays allowed";
  EXPECT_EQ(TaskDialogRefusal("C:\\", "E:\\b", kOnC), std::nullopt) << "only the target is guarded";
}

// Fixed: a task whose folder held ";" split its stored row and was lost at the next start.
TEST(TaskDialogChecks, APathHoldingTheStoredRowsSeparatorsIsRefused) {
  const struct {
    const char* source;
    const char* target;
    bool refused;
  } cases[] = {
      {"D:\\a;b", "E:\\b", true}, {"D:\\a", "E:\\b;c", true}, {"D:\\a|b", "E:\\b", true},
      {"D:\\a", "E:\\|", true},   {";", "E:\\b", true},       {"D:\\资料", "E:\\备份", false},
      {"D:\\a,b", "E:\\b c", false},
      {"D:\\a；b", "E:\\b｜c", false},  // the full-width forms are ordinary characters
  };
  for (const auto& c : cases) {
    const auto refusal = TaskPathRefusal(c.source, c.target);
    EXPECT_EQ(refusal.has_value(), c.refused) << c.source << " " << c.target;
    if (refusal) {
      EXPECT_EQ(TaskDialogRefusal(c.source, c.target, kOnC), refusal) << "the dialog refuses it";
    }
  }
  EXPECT_EQ(TaskDialogRefusal("", "E:\\;", kOnC), "路径不能为空") << "an empty box is told first";
}

// Fixed: "EC=0" in the disk's file still removed when the computer's clean-up switch was on.
TEST(PortableFile, OnlyEcOneRemovesAndOnlyAMissingValueFallsBack) {
  const struct {
    const char* ec;
    std::optional<bool> cleanUp;
  } cases[] = {
      {"1", true},   {"0", false}, {"", std::nullopt}, {"  ", std::nullopt}, {"2", false},
      {"yes", false}, {"1 '是否清除", false},
  };
  for (const auto& c : cases) EXPECT_EQ(PortableCleanUp(c.ec), c.cleanUp) << "EC=" << c.ec;
}

TEST(PortableFile, OneBackupFolderOneLockWhateverItsSpelling) {
  const std::string lock = BackupFolderLockName("D:\\备份\\U盘");
  for (const char* same : {"d:\\备份\\u盘", "D:\\备份\\U盘\\", "D:/备份/U盘/"}) {
    EXPECT_EQ(BackupFolderLockName(same), lock) << same;
  }
  for (const char* other : {"D:\\备份", "D:\\备份\\U盘2", "E:\\备份\\U盘"}) {
    EXPECT_NE(BackupFolderLockName(other), lock) << other;
  }
  EXPECT_EQ(lock.rfind("Local\\", 0), 0u);
  EXPECT_EQ(lock.find('\\', 6), std::string::npos) << "no separator below the namespace";
}

TEST(JobBoxes, OnlyAbsolutePathsStartARun) {
  for (const char* path :
       {"D:\\a", "d:/a", "Z:\\", "E:", "\\\\server\\share", "\\\\server\\share\\sub", " E:\\b "}) {
    EXPECT_TRUE(IsAbsoluteJobPath(path)) << path;
  }
  for (const char* path : {"", "backup", "D:backup", "1:", "DD:\\a", "\\backup", "\\\\", "\\\\server",
                           "\\\\server\\", "\\\\\\share", ".\\a", "..\\a"}) {
    EXPECT_FALSE(IsAbsoluteJobPath(path)) << path;
  }
  EXPECT_TRUE(JobBoxesRefusal("", "E:\\b", false, kOnC).has_value());
  EXPECT_TRUE(JobBoxesRefusal("D:\\a", "backup", false, kOnC).has_value());
  EXPECT_EQ(JobBoxesRefusal("D:\\a", "E:\\b", true, kOnC), std::nullopt);
  EXPECT_EQ(JobBoxesRefusal("D:\\a", "C:\\", false, kOnC), std::nullopt) << "copying onto C: deletes nothing";
  const auto cleanUp = JobBoxesRefusal("D:\\a", "c:\\", true, kOnC);
  ASSERT_TRUE(cleanUp.has_value()) << "a clean-up run on the system drive would delete from it";
  EXPECT_NE(cleanUp->find("路径不能为系统盘"), std::string::npos);
}

TEST(SelfRemoval, TheCommandRetriesUntilTheProgramsFileIsGone) {
  const std::string nt = SelfRemovalCommand(3, "E:\\工具 箱\\Tarnvel.exe");
  EXPECT_EQ(nt.rfind("cmd.exe /C ", 0), 0u);
  EXPECT_NE(nt.find("del /F /Q \"E:\\工具 箱\\Tarnvel.exe\""), std::string::npos)
      << "the path is quoted whole";
  EXPECT_NE(nt.find("@if exist \"E:\\工具 箱\\Tarnvel.exe\" del"), std::string::npos);
  EXPECT_EQ(SelfRemovalCommand(2, "A:\\T.exe"), "command.com /C del \"A:\\T.exe\"");
  EXPECT_EQ(SelfRemovalCommand(1, "A:\\T.exe"), "");
  EXPECT_EQ(SelfRemovalCommand(0, "A:\\T.exe"), "");
}

}  // namespace
}  // namespace tarnvel
