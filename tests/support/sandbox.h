// A fresh, empty folder for the running test case.
#pragma once

#include <string>

namespace tarnvel::test {

// Under Wine: Z:\<test executable>\<Suite>.<Case>\ (Z: is the harness's sandbox), with a
// trailing backslash. Natively: a folder under the system's temporary folder, with "/".
// Whatever the folder held from an earlier run is removed first.
std::string FreshTestDir();

// The same folder as a wide path (Windows) — for tests that call the W API directly.
std::wstring FreshTestDirWide();

}  // namespace tarnvel::test
