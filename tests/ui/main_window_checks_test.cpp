// The task dialog's checks and the run-start checks of the main window's boxes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ui/main_window_checks.h"
#include "ui/portable.h"

namespace tarnvel {
namespace {

const SystemLocations kOnC{"C:\\", "C:\\windows", "C:\\windows\\system32"};

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

// Fault: the examples ended in an empty fourth piece, which the job line refuses.
TEST(UsageNotes, EveryJobLineExampleHasFourPieces) {
  const std::string notes = UsageNotes();
  int examples = 0;
  for (std::size_t at = notes.find("Tarnvel.exe"); at != std::string::npos;
       at = notes.find("Tarnvel.exe", at + 1)) {
    const std::size_t from = notes.find(' ', at), end = notes.find("\r\n", at);
    const std::string line = notes.substr(from + 1, end - from - 1);
    ++examples;
    EXPECT_EQ(std::count(line.begin(), line.end(), '|'), 3) << line;
    EXPECT_NE(line.back(), '|') << line;
  }
  EXPECT_EQ(examples, 2);
}

TEST(SelfRemoval, ThePathNeverStandsOnTheCommandLine) {
  EXPECT_EQ(SelfRemovalCommand(3, "E:\\%i\\T.exe", "r.bat"), "cmd.exe /d /c \"r.bat\"");
  for (const unsigned char c : SelfRemovalBatch()) ASSERT_LT(c, 0x80) << "plain ASCII";
  EXPECT_EQ(SelfRemovalCommand(2, "A:\\T.exe", ""), "command.com /C del \"A:\\T.exe\"");
  EXPECT_EQ(SelfRemovalCommand(1, "A:\\T.exe", "r.bat"), "");
}

}  // namespace
}  // namespace tarnvel
