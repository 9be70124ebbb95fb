// The settings (INI) file: "[section]" lines and "key=value" lines, read and written by the
// program itself rather than by the system's profile functions, which would decode the file with
// the system's ANSI code page.
//
// Rules: section and key names compare without regard to ASCII case (never folding a byte of
// a multi-byte character); blanks (space, tab) around names and values are trimmed; a value wrapped
// in double quotes is read without them; a line whose first non-blank is ";" is a comment.
// Comments, blank and unknown lines survive a rewrite unchanged.
//
// Encodings: a file is read as UTF-16 LE when it starts with FF FE, as UTF-8 when it starts with
// EF BB BF, and otherwise as UTF-8 only when it holds bytes above 0x7F that all form strictly
// valid UTF-8 (shortest forms, no surrogates); in every other case as GBK. Chinese text saved as
// GBK is almost never valid UTF-8 (its lead bytes 0x81-0xC1 cannot start a UTF-8 character and
// its pairs rarely follow UTF-8's continuation rules), whereas UTF-8 Chinese is often also
// well-formed GBK, so validity as UTF-8 is the test that tells them apart. A rewrite keeps the
// file's encoding, its byte-order mark and its line ends, except that a file the next read would
// take for another encoding gets one that cannot be mistaken: a GBK file that cannot hold a
// written character, or whose GBK bytes would then happen to form valid UTF-8, becomes UTF-8
// with a byte-order mark (every line converted, nothing lost, never a "?"), and so does a UTF-8
// file without the mark that would no longer be valid UTF-8. A new (or empty) file is UTF-8
// with a byte-order mark and CR LF.
//
// The program's texts (file, section, key, value) are UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnvel {

// The value of key in section, or defaultValue when the item is missing. Leading bytes <= 0x20
// of file, section and key are skipped; when any of them is then empty the result is "" (not
// the default). A value longer than kIniValueLimit bytes is cut there, never inside a
// character.
std::string ReadIniItem(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& defaultValue = "");

// Writes key=value into section, creating the file or appending the section when missing. With
// the value omitted the key is deleted; with the key omitted the whole section is deleted. The
// file is written to a temporary file beside it, which then replaces it, so a failed write
// leaves the old settings whole. False when the file is read-only or cannot be written, and for
// names or values that would break the file's lines (a line break in any of them, "=" in a key,
// "]" in a section name) or empty names, and for bytes that are no UTF-8 in a UTF-16 file.
bool WriteIniItem(const std::string& file, const std::string& section,
                  const std::optional<std::string>& key = std::nullopt,
                  const std::optional<std::string>& value = std::nullopt);

inline constexpr std::size_t kIniValueLimit = 10239;

// ---- Platform-free part: a settings file as bytes ----

enum class IniEncoding { kGbk, kUtf8, kUtf8Bom, kUtf16Le };

// A parsed file. Lines are held in the working form of the encoding (GBK bytes for a GBK file,
// UTF-8 for the others, UTF-16 files included), so lines the program does not touch are written
// back unchanged.
struct IniDocument {
  IniDocument() = default;  // an empty new file
  IniEncoding encoding = IniEncoding::kUtf8Bom;
  std::string lineEnd = "\r\n";
  bool endsWithLineEnd = true;
  std::vector<std::string> lines;
};

IniEncoding DetectIniEncoding(std::string_view bytes);
IniDocument ParseIni(std::string_view bytes);
std::string SerializeIni(const IniDocument& doc);

// Section, key and value are UTF-8 texts, already stripped of leading blanks by the caller.
std::optional<std::string> IniValue(const IniDocument& doc, std::string_view section, std::string_view key);
// False (document unchanged) for names or values that cannot be stored. A GBK document that
// cannot hold the item's characters is switched to UTF-8 with a byte-order mark first.
bool SetIniValue(IniDocument& doc, std::string_view section, std::string_view key, std::string_view value);
// Removes the key from every section of that name; true when something was removed.
bool DeleteIniKey(IniDocument& doc, std::string_view section, std::string_view key);
// Removes every section of that name with its lines; true when something was removed.
bool DeleteIniSection(IniDocument& doc, std::string_view section);

}  // namespace tarnvel
