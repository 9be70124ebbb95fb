// A fresh, empty folder for the running test case.
#pragma once

#include <string>
#include <vector>

namespace tarnvel::test {

// Under Wine: Z:\<test executable>\<Suite>.<Case>\ (Z: is the harness's sandbox), with a
// trailing backslash. Natively: a folder under the system's temporary folder, with "/".
// Whatever the folder held from an earlier run is removed first.
std::string FreshTestDir();

// The same folder as a wide path (Windows) — for tests that call the W API directly.
std::wstring FreshTestDirWide();

#ifdef _WIN32
// Removes the tree without ever entering a directory link (a link loses only itself, where the
// system can remove it), clearing the read-only bit a test left; what cannot be removed is named
// in `left`.
void RemoveTree(const std::wstring& path, std::vector<std::wstring>& left);
#endif

}  // namespace tarnvel::test
