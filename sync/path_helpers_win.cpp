// The path helpers that reach the file system.
#include "runtime/files.h"
#include "sync/path_helpers.h"

namespace tarnvel {

bool IsDirectory(const std::string& path) {
  const int attributes = GetAttributes(path);
  return attributes != -1 && (attributes & kAttrDirectory) != 0;
}

void MakeDirectoryPath(const std::string& path) {
  // Each step fails harmlessly where the directory exists already or is a drive root.
  for (const std::string& step : DirectoryPathSteps(path)) MakeDirectory(step);
}

std::string FindSubdirectory(const std::string& pattern, FileSearch& search) {
  return FindFile(pattern, kDirectoriesOnly, search);
}

std::string FindPlainFile(const std::string& pattern, FileSearch& search) {
  return FindFile(pattern, search);
}

}  // namespace tarnvel
