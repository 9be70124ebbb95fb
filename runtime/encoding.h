// Conversions between the program's GBK texts (code page 936) and the Unicode forms that the
// operating system and text files use. Code page 936 is always named explicitly: the program
// shows and stores the same texts whatever the system's ANSI code page is.
#pragma once

#include <string>
#include <string_view>

namespace tarnvel {

// GBK bytes to UTF-16 (wchar_t is 16-bit on Windows; natively the host's wide form).
std::wstring GbkToWide(std::string_view gbk);
// UTF-16 to GBK; a character GBK cannot hold becomes "?".
std::string WideToGbk(std::wstring_view wide);

std::string GbkToUtf8(std::string_view gbk);
// A byte sequence that is not UTF-8, or a character GBK lacks, becomes "?".
std::string Utf8ToGbk(std::string_view utf8);

// UTF-16 LE bytes (no byte-order mark) to GBK and back; used for text files saved as UTF-16.
std::string Utf16LeToGbk(std::string_view bytes);
std::string GbkToUtf16Le(std::string_view gbk);

// The form of a GBK path that the wide file API takes for any length: a path that would
// reach the old 260-character limit is made absolute, its doubled separators collapsed, and
// prefixed with \\?\ (or \\?\UNC\ for a share). Shorter paths pass through converted only.
std::wstring PathToWide(std::string_view gbkPath);

// Collapses runs of "\" (and "/") into one "\", keeping a leading "\\" of a share name.
std::string CollapseSeparators(std::string_view path);

// The last component of a path, trailing separators ignored ("a\\b.\\" gives "b."); the whole
// path when it has no separator. A trail byte of 0x5C is never taken for a separator.
std::string_view LastPathComponent(std::string_view path);

// True for a name that a plain path drops as a whole: only dots and blanks, yet not "." or ".."
// ("...", ". ."). A plain "dir\\..." names dir itself.
bool IsVanishingName(std::string_view name);

// PathToWide for a path whose last name may end in a dot or a blank, as names listed from a
// Linux disk or share can. A plain path drops those ("x." names "x", "..." the folder above),
// so when an entry of exactly that name exists, the \\?\ form that names it is given instead;
// otherwise the plain form as PathToWide gives it. Windows build only.
std::wstring ExactPathToWide(std::string_view gbkPath);

}  // namespace tarnvel
