// The registry as the program sees it: a root number and one path text whose part after the
// last backslash is the value name and whose part before it is the key. Names and values cross
// into the wide registry API as exact UTF-16, so a name such as "Orvane目录同步VLS" is stored as
// those Unicode characters whatever the system's ANSI code page is; a name or text that is not
// UTF-8 is refused (reads give the default, writes false).
//
// Nothing here raises for a missing key or value: reads give their default, writes false.
//
// On Windows, include this header after <windows.h>: the system headers define
// RegDeleteValue as a macro, which this header removes so that tarnvel::RegDeleteValue keeps
// its name.
#pragma once

#include <string>
#include <string_view>

#include "runtime/values.h"

#ifdef RegDeleteValue
#undef RegDeleteValue
#endif

namespace tarnvel {

// Root numbers as stored settings and callers use them.
inline constexpr int kRegClassesRoot = 1;
inline constexpr int kRegCurrentConfig = 2;
inline constexpr int kRegCurrentUser = 3;
inline constexpr int kRegLocalMachine = 4;
inline constexpr int kRegUsers = 5;

enum class RegistryRoot { ClassesRoot, CurrentConfig, CurrentUser, LocalMachine, Users };

// 1 classes root, 2 current configuration, 4 local machine, 5 users; 3 and every other
// number the current user.
RegistryRoot RegistryRootOf(int root);

struct RegistryPath {
  std::string key;        // "" names the root itself
  std::string valueName;  // "" names the key's default value
};

// Splits at the last backslash. "A\B\C" → key "A\B", value "C";
// "C" → key "", value "C"; "A\B\" → key "A\B", the default value.
RegistryPath SplitRegistryPath(std::string_view path);

// A string value as stored; an expandable string value with its environment variables
// expanded. A missing key or value, or a value of another type, gives the default.
std::string RegReadText(int root, std::string_view path, std::string_view defaultValue = "");

// A 32-bit number value; anything else gives the default.
int RegReadNumber(int root, std::string_view path, int defaultValue = 0);

// Create the key (with any missing parents) and store the value: an integer as a 32-bit number
// value, a text as a string value, a byte string as a binary value. True on success.
bool RegWrite(int root, std::string_view path, int value);
bool RegWrite(int root, std::string_view path, std::string_view text);
bool RegWrite(int root, std::string_view path, const char* text);
bool RegWrite(int root, std::string_view path, const std::string& text);
bool RegWrite(int root, std::string_view path, const ByteString& bytes);

// True if the value exists (of any type).
bool RegExists(int root, std::string_view path);

// Removes the value; true when no such value exists afterwards (a value or key that was never
// there counts as removed), false when the removal was refused.
bool RegDeleteValue(int root, std::string_view path);

// Whether values can be written to the key keyPath (a key path only, no value name): an
// existing key must open for setting values; a missing key must be creatable below its nearest
// existing ancestor. Nothing is created. Lets the settings store fall back from the local
// machine to the current user when a standard user may not write there.
bool RegKeyWritable(int root, std::string_view keyPath);

}  // namespace tarnvel
