// A drive letter of the test's own over a fresh folder, so that "\" and an empty path name a root
// that holds only what the test put there.
#pragma once

#include <string>

namespace tarnvel::test {

// Defines the first free letter from Q: down to J: over the folder, for this process and the
// programs it starts; the definition goes with the object, and the current directory it found
// comes back.
class OwnDrive {
 public:
  explicit OwnDrive(const std::string& rootFolder);  // GBK
  explicit OwnDrive(const std::wstring& rootFolder);
  ~OwnDrive();
  OwnDrive(const OwnDrive&) = delete;
  OwnDrive& operator=(const OwnDrive&) = delete;

  bool Ready() const { return letter_ != 0; }
  wchar_t Letter() const { return letter_; }
  // "Q:\".
  std::wstring Root() const { return std::wstring{letter_, L':', L'\\'}; }
  // Makes a folder on the drive the current directory.
  bool EnterFolder(const std::wstring& folder);

 private:
  bool Reaches(wchar_t letter) const;

  std::wstring root_, previous_;
  wchar_t letter_ = 0;
  bool viaDosDevice_ = false;
};

}  // namespace tarnvel::test
