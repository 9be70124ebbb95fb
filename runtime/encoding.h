// The program's texts are UTF-8; Windows takes and gives UTF-16. This is the one place where
// the two meet, and the conversion is exact for every name Windows can hold.
//
// UTF-16 that is not well formed (a lone surrogate, as a file name may hold one) travels as
// WTF-8: the surrogate's code point in the three-byte form UTF-8 would give it. A pair is
// always the four-byte form, never two three-byte halves, so every sequence of UTF-16 code
// units has exactly one spelling here and comes back unchanged.
//
// A byte sequence that is not UTF-8 or WTF-8 never silently becomes another name: the exact
// conversions (…Exact, PathToWide) refuse it, and only the display conversions (Utf8ToUtf16,
// Utf8ToWide) show each stray byte as U+FFFD.
//
// GBK (code page 936) is only a file encoding, kept for settings files written by hand or by
// earlier versions.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarnvel {

// ---- UTF-8 / WTF-8 and UTF-16 (portable) ----

// The length (1 to 4) of the well-formed UTF-8 or WTF-8 sequence that starts at byte i, or 0
// when the byte there does not start one (a stray continuation byte, a lead byte without its
// continuation bytes, an overlong form, a value above U+10FFFF).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// Well-formed WTF-8: UTF-8 in which lone surrogates may appear, but never a high surrogate
// directly followed by a low one. StrictUtf8 also refuses every surrogate.
bool IsWtf8(std::string_view text);
bool IsStrictUtf8(std::string_view text);

// Exact: every code unit, paired or not, has its one spelling.
std::string Utf16ToUtf8(std::u16string_view utf16);
// Exact: nothing unless the text is well-formed WTF-8.
std::optional<std::u16string> Utf8ToUtf16Exact(std::string_view utf8);
// For display only: a byte that starts no sequence shows as U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// The same for wchar_t, which is one UTF-16 code unit on Windows. In the host build (32-bit
// wchar_t) the wide form holds the same code units, one per wchar_t; a wchar_t above 0xFFFF is
// taken as the code point it names.
std::string WideToUtf8(std::wstring_view wide);
std::optional<std::wstring> Utf8ToWideExact(std::string_view utf8);
std::wstring Utf8ToWide(std::string_view utf8);

// UTF-16 LE bytes (no byte-order mark) to UTF-8 and back; an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);
// For a text that is not WTF-8, each stray byte is written as U+FFFD.
std::string Utf8ToUtf16Le(std::string_view utf8);

// The longest start of the text that fits a field the platform limits in UTF-16 code units,
// terminator included (a notification tip 128, a balloon text 256, a balloon title 64): at most
// fieldUnits - 1 units, cut after a whole character, never between the halves of a pair or
// inside a UTF-8 sequence. A stray byte counts as the one unit U+FFFD it is shown as.
inline constexpr std::size_t kTrayTipUnits = 128;
inline constexpr std::size_t kBalloonTextUnits = 256;
inline constexpr std::size_t kBalloonTitleUnits = 64;
std::string CutToUtf16Field(std::string_view utf8, std::size_t fieldUnits);

// ---- GBK, the encoding of old settings files ----

// Undecodable bytes (a lone lead byte, a pair GBK does not define) become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);
// Nothing when a character has no GBK form or the text is not UTF-8: never a "?" in its place.
std::optional<std::string> Utf8ToGbk(std::string_view utf8);

// Platform conversions behind the two above, all or nothing.
std::optional<std::u16string> GbkToUtf16Strict(std::string_view gbk);
std::optional<std::string> Utf16ToGbkStrict(std::u16string_view utf16);

// ---- Paths ----

// The form of a path that the wide file API takes for any length: a path that would reach the
// old 260-character limit is made absolute, its doubled separators collapsed, and prefixed with
// \\?\ (or \\?\UNC\ for a share). Shorter paths pass through converted only. A path that is not
// WTF-8 gives the empty wide path, which every file call refuses: it names no file at all rather
// than a file of a different name.
std::wstring PathToWide(std::string_view path);

// Collapses runs of "\" (and "/") into one "\", keeping a leading "\\" of a share name. (No
// byte of a multi-byte UTF-8 character is 0x5C or 0x2F, so bytes can be looked at one by one.)
std::string CollapseSeparators(std::string_view path);

// The last component of a path, trailing separators ignored ("a\\b.\\" gives "b."); the whole
// path when it has no separator.
std::string_view LastPathComponent(std::string_view path);

// True for a name that a plain path drops as a whole: only dots and blanks, yet not "." or ".."
// ("...", ". ."). A plain "dir\\..." names dir itself.
bool IsVanishingName(std::string_view name);

// PathToWide for a path whose last name may end in a dot or a blank, as names listed from a
// Linux disk or share can. A plain path drops those ("x." names "x", "..." the folder above),
// so when an entry of exactly that name exists, the \\?\ form that names it is given instead;
// otherwise the plain form as PathToWide gives it. Windows build only.
std::wstring ExactPathToWide(std::string_view path);

}  // namespace tarnvel
