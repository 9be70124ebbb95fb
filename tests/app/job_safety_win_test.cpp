// The command-line job never reaches past what it was given: not the drive root an empty piece of
// the job line would name, and nothing behind a directory link.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/job_styles.h"
#include "app/size_copier.h"
#include "runtime/encoding.h"
#include "runtime/files.h"
#include "tests/app/job_steps_support.h"
#include "tests/support/job_tree_win.h"
#include "tests/support/sandbox.h"

namespace tarnvel {
namespace {

using test::FileText;
using test::FreshTestDir;
using test::TreeOf;
using test::WriteFileOfSize;

using test::RunStyle;

// Under Wine a drive is a link in the prefix that its mount manager makes (DefineDosDeviceW names
// the device but the file system does not see it); this is the request the mount manager takes.
constexpr DWORD kDefineUnixDrive = CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDriveRequest {
  ULONG size;
  ULONG type;
  ULONG fsType;
  DWORD serial;
  ULONGLONG unixDevice;
  WCHAR letter;
  USHORT mountPointOffset;
  USHORT deviceOffset;
  USHORT labelOffset;
};

bool DefineWineDrive(wchar_t letter, const std::wstring& folder, bool remove) {
  using UnixName = char*(CDECL*)(const wchar_t*);
  const auto unixName =
      reinterpret_cast<UnixName>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
  if (unixName == nullptr) return false;
  std::string path;
  if (!remove) {
    char* name = unixName(folder.c_str());
    if (name == nullptr) return false;
    path = name;
    HeapFree(GetProcessHeap(), 0, name);
  }
  std::vector<char> buffer(sizeof(UnixDriveRequest) + path.size() + 1);
  auto* request = reinterpret_cast<UnixDriveRequest*>(buffer.data());
  request->size = static_cast<ULONG>(buffer.size());
  request->type = remove ? DRIVE_NO_ROOT_DIR : DRIVE_FIXED;
  request->letter = letter;
  if (!remove) {
    request->mountPointOffset = sizeof(UnixDriveRequest);
    std::copy(path.begin(), path.end(), buffer.begin() + sizeof(UnixDriveRequest));
  }
  HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (manager == INVALID_HANDLE_VALUE) return false;
  DWORD returned = 0;
  const BOOL done = DeviceIoControl(manager, kDefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()),
                                    nullptr, 0, &returned, nullptr);
  CloseHandle(manager);
  return done != FALSE;
}

// A drive of the test's own whose root is a fresh folder, and the current directory on it, so that
// "\" names a root that holds only what the test put there.
class OwnDrive {
 public:
  explicit OwnDrive(const std::string& rootFolder) {
    root_ = Utf8ToWide(rootFolder);
    if (!root_.empty() && root_.back() == L'\\') root_.pop_back();
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    previous_ = previous;
    for (wchar_t letter = L'Q'; letter >= L'J' && letter_ == 0; --letter) {
      const std::wstring drive{letter, L':'};
      if (GetDriveTypeW((drive + L"\\").c_str()) != DRIVE_NO_ROOT_DIR) continue;
      if (DefineDosDeviceW(0, drive.c_str(), root_.c_str())) {
        if (Reaches(letter)) {
          letter_ = letter;
          viaDosDevice_ = true;
          break;
        }
        DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, drive.c_str(), root_.c_str());
      }
      if (DefineWineDrive(letter, root_, false)) {
        if (Reaches(letter)) letter_ = letter;
        else DefineWineDrive(letter, root_, true);
      }
    }
  }
  ~OwnDrive() {
    SetCurrentDirectoryW(previous_.c_str());
    if (letter_ == 0) return;
    const std::wstring drive{letter_, L':'};
    if (viaDosDevice_) {
      DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, drive.c_str(), root_.c_str());
    } else {
      DefineWineDrive(letter_, root_, true);
    }
  }
  OwnDrive(const OwnDrive&) = delete;
  OwnDrive& operator=(const OwnDrive&) = delete;

  bool Ready() const { return letter_ != 0; }
  // Makes a folder on the drive the current directory.
  bool EnterFolder(const std::wstring& folder) {
    return SetCurrentDirectoryW((std::wstring{letter_, L':', L'\\'} + folder).c_str()) != FALSE;
  }

 private:
  // The drive shows the folder: a file put into the folder is seen on the drive.
  bool Reaches(wchar_t letter) const {
    const std::wstring probe = root_ + L"\\drive-probe";
    HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    const bool seen = GetFileAttributesW((std::wstring{letter, L':', L'\\'} + L"drive-probe").c_str()) !=
                      INVALID_FILE_ATTRIBUTES;
    DeleteFileW(probe.c_str());
    return seen;
  }

  std::wstring root_, previous_;
  wchar_t letter_ = 0;
  bool viaDosDevice_ = false;
};

class GuardedStyle : public testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Styles, GuardedStyle, testing::Values(1, 2, 3));

// Fault: an empty target piece became "\", and the cleaner stripped the current drive's root of
// everything the source lacked.
TEST_P(GuardedStyle, EmptyTargetNeverReachesTheDriveRoot) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "root\\canary.txt", 5);
  WriteFileOfSize(dir + "root\\folder\\canary2.txt", 5);
  WriteFileOfSize(dir + "root\\work\\here.txt", 5);
  WriteFileOfSize(dir + "src\\only-in-source.txt", 5);
  OwnDrive drive(dir + "root");
  ASSERT_TRUE(drive.Ready());
  ASSERT_TRUE(drive.EnterFolder(L"work"));
  ASSERT_EQ(GetAttributes("\\canary.txt"), kAttrArchive) << "the current drive's root is the test's folder";
  const auto before = TreeOf(dir + "root");

  RunStyle(GetParam(), dir + "src", "");
  RunStyle(GetParam(), dir + "src", " ");
  CleanTargetBySize(dir + "src", "");
  CopyTreeBySize(dir + "src", "");
  EXPECT_EQ(TreeOf(dir + "root"), before);
}

// An empty source names the drive root too: nothing of it is copied into the target, and the
// target is not cleaned against it.
TEST_P(GuardedStyle, EmptySourceCopiesAndCleansNothing) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "root\\canary.txt", 5);
  WriteFileOfSize(dir + "root\\work\\dst\\mine.txt", 5);
  OwnDrive drive(dir + "root");
  ASSERT_TRUE(drive.Ready());
  ASSERT_TRUE(drive.EnterFolder(L"work"));
  const auto before = TreeOf(dir + "root");
  RunStyle(GetParam(), "", "dst");
  EXPECT_EQ(CountMissingFiles("", "dst"), 0);
  EXPECT_EQ(TreeOf(dir + "root"), before);
}

// Fault of a nested pair: with the target inside the source the copy would go on into its own
// output; with the source inside the target the cleaner would delete the source.
TEST_P(GuardedStyle, NestedPairsAreLeftAlone) {
  const std::string dir = FreshTestDir();
  WriteFileOfSize(dir + "t\\s\\data.txt", 5);
  WriteFileOfSize(dir + "t\\other.txt", 5);
  const auto before = TreeOf(dir + "t");
  RunStyle(GetParam(), dir + "t\\s", dir + "t");
  RunStyle(GetParam(), dir + "t", dir + "t\\s\\backup");
  EXPECT_EQ(TreeOf(dir + "t"), before);
}

// The harness lays out Z:\links\N: outside\keep.txt, tree\file.txt, tree\link -> outside and the
// loop tree\sub\up -> tree. App tests own slots 5 to 8.
std::string LinkSlot(int slot) { return "Z:\\links\\" + std::to_string(slot) + "\\"; }

TEST_P(GuardedStyle, SourceLinksAreNeitherFollowedNorCopied) {
  const std::string slot = LinkSlot(5);
  ASSERT_TRUE(IsDirectoryLink(slot + "tree\\sub\\up")) << "link fixtures missing";
  const std::string target = FreshTestDir() + "copy";
  EXPECT_EQ(CountMissingFiles(slot + "tree", target), 1);
  RunStyle(GetParam(), slot + "tree", target);
  EXPECT_EQ(TreeOf(target), (std::map<std::string, std::int64_t>{{"file.txt", 5}, {"sub\\", -1}}));
  EXPECT_EQ(FileText(slot + "outside\\keep.txt"), "keep\n");
}

TEST_P(GuardedStyle, TargetLinksAreNeverCleanedOrWrittenThrough) {
  const int slotNumber = 5 + GetParam();  // 6, 7, 8: one fixture per style
  const std::string slot = LinkSlot(slotNumber);
  ASSERT_TRUE(IsDirectoryLink(slot + "tree\\link")) << "link fixtures missing";
  const std::string source = FreshTestDir() + "src";
  // The source has real folders where the target has links, and lacks the rest of the target.
  WriteFileOfSize(source + "\\link\\new.txt", 3);
  WriteFileOfSize(source + "\\sub\\up\\loop.txt", 3);
  RunStyle(GetParam(), source, slot + "tree");
  EXPECT_EQ(FileText(slot + "outside\\keep.txt"), "keep\n") << "nothing behind a link is deleted";
  EXPECT_EQ(GetAttributes(slot + "outside\\new.txt"), -1) << "no copy goes through a link";
  EXPECT_EQ(GetAttributes(slot + "tree\\loop.txt"), -1) << "no copy goes round a loop";
  EXPECT_EQ(GetAttributes(slot + "tree\\file.txt"), -1) << "what the source lacks is still cleaned";
}

}  // namespace
}  // namespace tarnvel
