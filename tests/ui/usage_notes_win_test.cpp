// The usage notes: their pieces, and their example file read by the program's settings-file reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/inifile.h"
#include "tests/support/sandbox.h"
#include "ui/main_window_checks.h"

namespace tarnvel {
namespace {

// The example the notes show, pasted into a file as it stands, gives the folder and the switch.
TEST(UsageNotes, TheExampleFileWorksAsShown) {
  const std::string notes = UsageNotes();
  for (const char* piece :
       {"注意：使用前请测试规则，否则丢失数据自负", "请不要留空格", "Tarnvel.ini", "[DIR]",
        "支持命令方式执行参数如：原目标|对比目标|方案（分三种 1是静态 2是单进度显示 "
        "3是双进度显示）|完成后执行"}) {
    EXPECT_NE(notes.find(piece), std::string::npos) << piece;
  }
  const std::size_t start = notes.find("[DIR]");
  ASSERT_NE(start, std::string::npos);
  const std::string path = test::FreshTestDir() + "Tarnvel.ini";
  {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary);
    out << "\xEF\xBB\xBF" << notes.substr(start);
  }
  EXPECT_EQ(ReadIniItem(path, "DIR", "Install"), "d:\\备份");
  EXPECT_EQ(ReadIniItem(path, "DIR", "EC"), "1");
}

}  // namespace
}  // namespace tarnvel
