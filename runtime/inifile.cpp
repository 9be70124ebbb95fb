// The settings file as bytes: encoding detection, lines, sections and keys.
#include <algorithm>
#include <cstdint>
#include <string>

#include "runtime/encoding.h"
#include "runtime/inifile.h"
#include "runtime/text.h"

namespace tarnvel {
namespace {

// ---- Names and lines ----

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The length of the GBK character at i: 2 for a lead byte (0x81-0xFE) followed by a trail
// byte (0x40-0x7E, 0x80-0xFE), else 1. "=" and ";" are never trail bytes; "]" and "|" can be,
// but the program only ever writes whole GBK characters, so a name it wrote ends before them.
std::size_t GbkCharLength(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x81 || lead == 0xFF || i + 1 >= s.size()) return 1;
  const auto trail = static_cast<unsigned char>(s[i + 1]);
  return trail >= 0x40 && trail != 0x7F && trail != 0xFF ? 2 : 1;
}

// Position of c in s. In a GBK file a trail byte may equal "]", so pairs are stepped over; in
// the UTF-8 forms no byte of a multi-byte character is ASCII, so every byte stands for itself.
std::size_t Find(std::string_view s, char c, bool dbcs) {
  for (std::size_t i = 0; i < s.size(); i += dbcs ? GbkCharLength(s, i) : 1) {
    if (s[i] == c) return i;
  }
  return std::string_view::npos;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool NamesEqual(std::string_view a, std::string_view b, bool dbcs) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t n = dbcs ? GbkCharLength(a, i) : 1;
    if (n == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
    i += n;
  }
  return true;
}

enum class LineKind { kOther, kSection, kKey };

struct Line {
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or key, trimmed
  std::string_view value;  // trimmed
};

Line ParseLine(std::string_view text, bool dbcs) {
  Line line;
  const std::string_view s = Trim(text);
  if (s.empty() || s.front() == ';') return line;
  if (s.front() == '[') {
    const std::size_t close = Find(s.substr(1), ']', dbcs);
    if (close != std::string_view::npos) {
      line.kind = LineKind::kSection;
      line.name = Trim(s.substr(1, close));
    }
    return line;
  }
  const std::size_t eq = Find(s, '=', dbcs);
  if (eq == std::string_view::npos || Trim(s.substr(0, eq)).empty()) return line;
  line.kind = LineKind::kKey;
  line.name = Trim(s.substr(0, eq));
  line.value = Trim(s.substr(eq + 1));
  return line;
}

bool IsDbcs(const IniDocument& doc) { return doc.encoding == IniEncoding::kGbk; }

// A UTF-8 text in the file's working form: GBK bytes for a GBK file (nothing when GBK cannot
// hold it), the text itself for the others.
std::optional<std::string> ToWorking(const IniDocument& doc, std::string_view utf8) {
  if (IsDbcs(doc)) return Utf8ToGbk(utf8);
  return std::string(utf8);
}

std::string FromWorking(const IniDocument& doc, std::string_view text) {
  return IsDbcs(doc) ? GbkToUtf8(text) : std::string(text);
}

// Rewrites a GBK document's lines as UTF-8, to be saved as UTF-8 with a byte-order mark.
void SwitchToUtf8(IniDocument& doc) {
  if (!IsDbcs(doc)) return;
  for (std::string& line : doc.lines) line = GbkToUtf8(line);
  doc.encoding = IniEncoding::kUtf8Bom;
}

// After a change: a file without a byte-order mark must still be taken for what it is when it
// is read next. GBK bytes that happen to form valid UTF-8 ("Install=D:\目录" alone does) would
// be read as UTF-8, and UTF-8 that is no longer valid as GBK; either file gets the mark.
void KeepReadable(IniDocument& doc) {
  if (doc.encoding != IniEncoding::kGbk && doc.encoding != IniEncoding::kUtf8) return;
  const std::string bytes = SerializeIni(doc);
  const IniEncoding guess = DetectIniEncoding(bytes);
  if (doc.encoding == IniEncoding::kGbk && guess != IniEncoding::kGbk) {
    SwitchToUtf8(doc);
  } else if (doc.encoding == IniEncoding::kUtf8 && guess != IniEncoding::kUtf8 && !IsStrictUtf8(bytes)) {
    doc.encoding = IniEncoding::kUtf8Bom;  // an all-ASCII file reads the same either way
  }
}

bool HasLineBreakOrZero(std::string_view s) {
  return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos;
}

// The lines [begin, end) of each section called `section`, header excluded; header index too.
struct SectionSpan {
  std::size_t header;
  std::size_t begin;
  std::size_t end;
};

std::vector<SectionSpan> FindSections(const IniDocument& doc, std::string_view workingSection) {
  std::vector<SectionSpan> spans;
  const bool dbcs = IsDbcs(doc);
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    const Line line = ParseLine(doc.lines[i], dbcs);
    if (line.kind != LineKind::kSection) continue;
    if (!spans.empty() && spans.back().end == doc.lines.size()) spans.back().end = i;
    if (NamesEqual(line.name, workingSection, dbcs)) spans.push_back({i, i + 1, doc.lines.size()});
  }
  return spans;
}

}  // namespace

IniEncoding DetectIniEncoding(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return IniEncoding::kUtf16Le;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return IniEncoding::kUtf8Bom;
  const bool ascii =
      std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return !ascii && IsStrictUtf8(bytes) ? IniEncoding::kUtf8 : IniEncoding::kGbk;
}

IniDocument ParseIni(std::string_view bytes) {
  IniDocument doc;
  if (bytes.empty()) return doc;  // as a new file
  doc.encoding = DetectIniEncoding(bytes);
  std::string text;
  switch (doc.encoding) {
    case IniEncoding::kUtf16Le:
      text = Utf16LeToUtf8(bytes.substr(2));
      break;
    case IniEncoding::kUtf8Bom:
      text = std::string(bytes.substr(3));
      break;
    default:
      text = std::string(bytes);
      break;
  }
  const std::size_t lf = text.find('\n');
  if (lf != std::string::npos) {
    doc.lineEnd = lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
  } else if (text.find('\r') != std::string::npos) {
    doc.lineEnd = "\r";
  }
  const char splitAt = doc.lineEnd == "\r" ? '\r' : '\n';
  const bool dropCr = doc.lineEnd == "\r\n";
  doc.endsWithLineEnd = text.empty() || text.back() == splitAt;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(splitAt, start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    // Only a CR that ends a CR LF is a line end; one at the very end of the file is text.
    if (dropCr && end < text.size() && !line.empty() && line.back() == '\r') line.pop_back();
    doc.lines.push_back(std::move(line));
    start = end + 1;
  }
  return doc;
}

std::string SerializeIni(const IniDocument& doc) {
  std::string text;
  for (std::size_t i = 0; i < doc.lines.size(); ++i) {
    text += doc.lines[i];
    if (i + 1 < doc.lines.size() || doc.endsWithLineEnd) text += doc.lineEnd;
  }
  switch (doc.encoding) {
    case IniEncoding::kUtf16Le:
      return "\xFF\xFE" + Utf8ToUtf16Le(text);
    case IniEncoding::kUtf8Bom:
      return "\xEF\xBB\xBF" + text;
    default:
      return text;
  }
}

std::optional<std::string> IniValue(const IniDocument& doc, std::string_view section, std::string_view key) {
  const auto wantedKey = ToWorking(doc, Trim(key));
  const auto wantedSection = ToWorking(doc, Trim(section));
  if (!wantedKey || !wantedSection) return std::nullopt;  // a name the file's encoding cannot hold
  const bool dbcs = IsDbcs(doc);
  for (const SectionSpan& span : FindSections(doc, *wantedSection)) {
    for (std::size_t i = span.begin; i < span.end; ++i) {
      const Line line = ParseLine(doc.lines[i], dbcs);
      if (line.kind != LineKind::kKey || !NamesEqual(line.name, *wantedKey, dbcs)) continue;
      std::string_view value = line.value;
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
      return LeftText(FromWorking(doc, value), static_cast<std::int32_t>(kIniValueLimit));
    }
  }
  return std::nullopt;
}

bool SetIniValue(IniDocument& doc, std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (section.empty() || key.empty() || HasLineBreakOrZero(section) || HasLineBreakOrZero(key) ||
      HasLineBreakOrZero(value))
    return false;
  // A name the file's own syntax would read differently cannot be stored.
  if (section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
      key.front() == '[' || key.front() == ';')
    return false;
  // A GBK file that cannot hold every character of the item becomes UTF-8: never a "?". A
  // UTF-16 file can hold every character, but not bytes that are no UTF-8.
  if (IsDbcs(doc) && !(Utf8ToGbk(section) && Utf8ToGbk(key) && Utf8ToGbk(value))) SwitchToUtf8(doc);
  if (doc.encoding == IniEncoding::kUtf16Le && !(IsWtf8(section) && IsWtf8(key) && IsWtf8(value))) return false;
  const std::string wSection = *ToWorking(doc, section);
  const std::string wKey = *ToWorking(doc, key);
  const std::string wValue = *ToWorking(doc, value);
  const bool dbcs = IsDbcs(doc);

  const std::vector<SectionSpan> spans = FindSections(doc, wSection);
  for (const SectionSpan& span : spans) {
    for (std::size_t i = span.begin; i < span.end; ++i) {
      const Line line = ParseLine(doc.lines[i], dbcs);
      if (line.kind == LineKind::kKey && NamesEqual(line.name, wKey, dbcs)) {
        doc.lines[i] = std::string(line.name) + "=" + wValue;  // the stored spelling of the key stays
        KeepReadable(doc);
        return true;
      }
    }
  }
  const std::string newLine = wKey + "=" + wValue;
  if (spans.empty()) {
    doc.lines.push_back("[" + wSection + "]");
    doc.lines.push_back(newLine);
    doc.endsWithLineEnd = true;
    KeepReadable(doc);
    return true;
  }
  // After the section's last non-blank line, so blank lines keep separating the sections.
  std::size_t at = spans.front().begin;
  for (std::size_t i = spans.front().begin; i < spans.front().end; ++i) {
    if (!Trim(doc.lines[i]).empty()) at = i + 1;
  }
  doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), newLine);
  if (at == doc.lines.size() - 1) doc.endsWithLineEnd = true;
  KeepReadable(doc);
  return true;
}

bool DeleteIniKey(IniDocument& doc, std::string_view section, std::string_view key) {
  const auto wKey = ToWorking(doc, Trim(key));
  const auto wSection = ToWorking(doc, Trim(section));
  if (!wKey || !wSection) return false;  // the file cannot hold such an item
  const bool dbcs = IsDbcs(doc);
  const std::vector<SectionSpan> spans = FindSections(doc, *wSection);
  bool removed = false;
  for (auto span = spans.rbegin(); span != spans.rend(); ++span) {  // from the back: indexes stay valid
    for (std::size_t i = span->end; i-- > span->begin;) {
      const Line line = ParseLine(doc.lines[i], dbcs);
      if (line.kind == LineKind::kKey && NamesEqual(line.name, *wKey, dbcs)) {
        doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
      }
    }
  }
  if (removed) KeepReadable(doc);
  return removed;
}

bool DeleteIniSection(IniDocument& doc, std::string_view section) {
  const auto wSection = ToWorking(doc, Trim(section));
  if (!wSection) return false;
  const std::vector<SectionSpan> spans = FindSections(doc, *wSection);
  for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
    doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(span->header),
                    doc.lines.begin() + static_cast<std::ptrdiff_t>(span->end));
  }
  if (!spans.empty()) KeepReadable(doc);
  return !spans.empty();
}

}  // namespace tarnvel
