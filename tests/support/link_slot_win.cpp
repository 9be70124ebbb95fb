#include <windows.h>

#include "tests/support/link_slot_win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "tests/support/sandbox.h"
#include "tests/support/tree_snapshot_win.h"

namespace tarnvel::test {
namespace {

struct PlainFile {
  const wchar_t* path;
  const char* content;
};
constexpr PlainFile kFiles[] = {{L"outside\\keep.txt", "keep\n"},
                                {L"tree\\file.txt", "file\n"},
                                {L"deep\\a\\b\\f.txt", "deep\n"},
                                {L"pair\\dst\\sub\\g.txt", "sub\n"}};
const std::set<std::wstring> kFolders = {L"outside",   L"tree",          L"tree\\sub", L"deep",
                                         L"deep\\a",   L"deep\\a\\b",    L"pair",      L"pair\\src",
                                         L"pair\\dst", L"pair\\dst\\sub"};
const std::set<std::wstring> kLinks = {L"tree\\link",    L"tree\\sub\\up", L"deep\\a\\b\\up",
                                       L"deep\\a\\home", L"alias",         L"pair\\src\\in"};

// Removes every entry below `relative` that the layout does not hold, never entering a link.
void RemoveStrays(const std::wstring& slot, const std::wstring& relative, std::vector<std::wstring>& left) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((slot + relative + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring rel = relative + name;
    const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool known = kLinks.contains(rel) || (folder && kFolders.contains(rel));
    for (const PlainFile& file : kFiles) known = known || (!folder && rel == file.path);
    if (known && folder && !link) RemoveStrays(slot, rel + L"\\", left);
    if (known) continue;
    if (folder && !link) {
      RemoveTree(slot + rel, left);
    } else {
      SetFileAttributesW((slot + rel).c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileW((slot + rel).c_str())) left.push_back(rel);
    }
  } while (FindNextFileW(find, &data));
  FindClose(find);
}

}  // namespace

std::string LinkSlot(int slot) {
  const std::string path = "Z:\\links\\" + std::to_string(slot) + "\\";
  const std::wstring wide(path.begin(), path.end());
  std::vector<std::wstring> left;
  RemoveStrays(wide, L"", left);
  for (const std::wstring& folder : kFolders) CreateDirectoryW((wide + folder).c_str(), nullptr);
  for (const PlainFile& file : kFiles) {
    const std::wstring name = wide + file.path;
    SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE h =
        CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (h == INVALID_HANDLE_VALUE ||
        !WriteFile(h, file.content, static_cast<DWORD>(strlen(file.content)), &written, nullptr)) {
      left.push_back(file.path);
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
  for (const std::wstring& link : kLinks) {
    const DWORD attributes = GetFileAttributesW((wide + link).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      ADD_FAILURE() << "link fixture missing: " << path << Utf8(link) << " (made by tools/wine-run)";
    }
  }
  for (const std::wstring& name : left) ADD_FAILURE() << "link fixture not restored: " << path << Utf8(name);
  return path;
}

std::string FileLinkCase(int n) {
  wchar_t module[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring name = module;
  name = name.substr(name.find_last_of(L"\\/") + 1);
  name = name.substr(0, name.rfind(L'.'));
  const std::wstring wide = L"Z:\\file-links\\" + name + L"\\" + std::to_wstring(n) + L"\\";
  const std::string path = Utf8(wide);
  std::ifstream link(std::filesystem::path(wide + L"dst\\f.txt"), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(link)), std::istreambuf_iterator<char>());
  if (text != "keep\n") ADD_FAILURE() << "file-link case missing or used twice: " << path << " (made by tools/wine-run)";
  return path;
}

}  // namespace tarnvel::test
