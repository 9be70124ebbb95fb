// The system-folder guard over the text of a path: every spelling that opens the system drive's
// root, the Windows folder or System32 is one of them; nearby places are not.
#include <gtest/gtest.h>

#include "sync/system_folders.h"

namespace tarnvel {
namespace {

const SystemLocations kOnC{"C:\\", "C:\\Windows", "C:\\Windows\\System32", {"BOX7", "box7.lan"}, {}};
const SystemLocations kOnD{"D:\\", "D:\\WINNT", "D:\\WINNT\\System32", {}, {}};

TEST(SystemFolders, EverySpellingOfTheSystemFoldersIsOneOfThem) {
  for (const char* path : {"C:\\",
                           "c:",
                           "C:/",
                           "C:\\.",
                           "C:\\..",
                           "c:\\windows",
                           "C:\\WINDOWS\\",
                           "C:\\Windows\\.",
                           "C:\\Windows.",
                           "C:\\Windows. .",
                           "C:\\\\Windows",
                           "C:/./Windows",
                           "C:\\Windows\\System32\\..",
                           "C:\\Program Files\\..\\Windows",
                           "\\\\?\\C:\\Windows",
                           "\\\\.\\c:\\windows\\system32",
                           "\\??\\C:\\Windows",
                           "\\\\localhost\\C$\\Windows",
                           "\\\\127.0.0.1\\c$",
                           "\\\\?\\UNC\\localhost\\C$\\Windows\\System32",
                           "//LOCALHOST/c$/windows",
                           "\\\\box7\\C$\\Windows",
                           "\\\\BOX7.lan\\c$\\windows\\",
                           "\\\\[::1]\\C$",
                           " c:\\windows ",
                           "C:\\Windows\\Fonts\\..",
                           "c:\\windows\\fonts\\.. ",
                           "C:\\Windows\\Fonts\\...",
                           "C:\\a\\b\\..\\..\\Windows"}) {
    EXPECT_TRUE(IsSystemLocation(path, kOnC)) << path;
  }
  for (const char* path : {"d:\\", "D:", "d:\\winnt.", "\\\\localhost\\D$\\WINNT\\System32\\"}) {
    EXPECT_TRUE(IsSystemLocation(path, kOnD)) << path;
  }
}

TEST(SystemFolders, NearbyPlacesAreNot) {
  for (const char* path :
       {"E:\\", "e:", "C:\\备份", "C:\\Windows\\Temp", "C:\\Windows2", "C:\\Windows\\Fonts",
        "C:\\Windowsx\\system32", "C:\\Windows\\.x", "", "  ", "Windows", "C:Windows", "\\\\server\\share",
        "\\\\server\\C$\\Windows", "\\\\localhost\\share\\Windows", "\\\\?\\UNC\\other\\C$\\Windows",
        "\\\\localhost\\D$\\Windows"}) {
    EXPECT_FALSE(IsSystemLocation(path, kOnC)) << path;
  }
  for (const char* path : {"C:\\", "C:\\Windows", "D:\\Windows"})
    EXPECT_FALSE(IsSystemLocation(path, kOnD)) << path;
}

TEST(SystemFolders, ResolvedDrivePathIsOneSpellingOfAPlace) {
  const struct {
    const char* path;
    const char* resolved;
  } cases[] = {{"C:", "c:\\"},
               {"C:\\A\\.\\B\\..\\c.", "c:\\a\\c"},
               {"\\\\?\\UNC\\LocalHost\\e$\\x", "e:\\x"},
               {"c:\\..\\..\\x", "c:\\x"},
               {"\\\\server\\share\\x", ""},
               {"x\\y", ""},
               {"C:x", ""}};
  for (const auto& c : cases) EXPECT_EQ(ResolvedDrivePath(c.path), c.resolved) << c.path;
}

TEST(SystemFolders, WhatThePathOpensDecidesToo) {
  SystemLocations system = kOnC;
  system.opensOneOfThem = [](std::string_view path) { return path == "C:\\WINDOW~1"; };
  EXPECT_TRUE(IsSystemLocation("C:\\WINDOW~1", system));
  EXPECT_FALSE(IsSystemLocation("C:\\PROGRA~1", system));
}

}  // namespace
}  // namespace tarnvel
