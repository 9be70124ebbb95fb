#include <windows.h>
#include <winioctl.h>

#include "tests/support/own_drive_win.h"

#include <algorithm>
#include <vector>

#include "runtime/encoding.h"

namespace tarnvel::test {
namespace {

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

}  // namespace

OwnDrive::OwnDrive(const std::string& rootFolder) : OwnDrive(Utf8ToWide(rootFolder)) {}

OwnDrive::OwnDrive(const std::wstring& rootFolder) {
  root_ = rootFolder;
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

OwnDrive::~OwnDrive() {
  SetCurrentDirectoryW(previous_.c_str());
  if (letter_ == 0) return;
  const std::wstring drive{letter_, L':'};
  if (viaDosDevice_) {
    DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, drive.c_str(), root_.c_str());
  } else {
    DefineWineDrive(letter_, root_, true);
  }
}

bool OwnDrive::EnterFolder(const std::wstring& folder) {
  return SetCurrentDirectoryW((Root() + folder).c_str()) != FALSE;
}

// The drive shows the folder: a file put into the folder is seen on the drive.
bool OwnDrive::Reaches(wchar_t letter) const {
  const std::wstring probe = root_ + L"\\drive-probe";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  const bool seen = GetFileAttributesW((std::wstring{letter, L':', L'\\'} + L"drive-probe").c_str()) !=
                    INVALID_FILE_ATTRIBUTES;
  DeleteFileW(probe.c_str());
  return seen;
}

}  // namespace tarnvel::test
