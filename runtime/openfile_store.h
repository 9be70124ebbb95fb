// The storage behind a file number: a file on disk or a block of memory. Internal to the
// runtime's open-file operations; callers use runtime/openfile.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "runtime/openfile.h"

namespace tarnvel {

class FileStore {
 public:
  virtual ~FileStore() = default;
  // Reads up to n bytes at the position; got tells how many arrived. False on an I/O error.
  virtual bool Read(void* data, std::size_t n, std::size_t& got) = 0;
  // Writes all n bytes at the position, growing the file as needed.
  virtual bool Write(const void* data, std::size_t n) = 0;
  virtual std::int64_t Length() = 0;
  virtual std::int64_t Position() = 0;
  virtual bool Seek(std::int64_t position) = 0;
  // Cuts or extends the file to length; the position is then undefined until the next Seek.
  virtual bool Truncate(std::int64_t length) = 0;
};

// Enters a store into the table of open files and gives its number.
FileNumber RegisterFileStore(std::unique_ptr<FileStore> store);

// Opens a file on disk (the platform's half of FileOpen); nullptr on failure.
std::unique_ptr<FileStore> OpenDiskFile(const std::string& path, int mode, int share);

}  // namespace tarnvel
