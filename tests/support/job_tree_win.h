// Trees of files for the engines' tests: build one, read one back. Written on std::filesystem
// and the tests' own walker (tree_snapshot_win.h), never on the program's file code, so a fault
// the program's listing shares with its copying cannot hide in the comparison.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace tarnvel::test {

// Writes a file of `size` bytes of `fill`, creating the folders above it. Paths are UTF-8.
void WriteFileOfSize(const std::string& path, std::size_t size, char fill = 'a');
// Creates a folder and its parents.
void MakeFolders(const std::string& path);

// Every file under the root by its path relative to the root ("sub\b.txt"), with its size; every
// folder as "sub\" with -1; the versions folder at the root left out. Directory links are listed as "name\"
// with -2 and never entered.
std::map<std::string, std::int64_t> TreeOf(const std::string& root);

// The files of a tree only (folders left out): what a mirrored target must hold.
std::map<std::string, std::int64_t> FilesOf(const std::string& root);

// The bytes of a file, "" when it cannot be read.
std::string FileText(const std::string& path);

// Clears the read-only bit of every file in the tree, so the next run can remove it.
void MakeTreeWritable(const std::string& root);

}  // namespace tarnvel::test
