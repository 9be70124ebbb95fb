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

}  // namespace tarnvel
