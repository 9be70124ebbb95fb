// The settings file as bytes: encoding detection, lines, sections and keys.
#include <algorithm>
#include <cstdint>
#include <string>

#include "runtime/encoding.h"
#include "runtime/inifile.h"

namespace tarnvel {
namespace {

// ---- Unicode forms (UTF-16 files are worked on as UTF-8, which keeps every character) ----

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16Le(std::string& out, std::uint32_t cp) {
  auto unit = [&out](std::uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  if (cp < 0x10000) {
    unit(cp);
  } else {
    cp -= 0x10000;
    unit(0xD800 | (cp >> 10));
    unit(0xDC00 | (cp & 0x3FF));
  }
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  auto unitAt = [&bytes](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
  };
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t u = unitAt(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < bytes.size()) {
      const std::uint32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;  // a lone surrogate
    AppendUtf8(out, u);
  }
  return out;
}

// Decodes one UTF-8 character at i (advancing i); 0xFFFD for a malformed one.
std::uint32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (extra == 0 || i + extra >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  std::uint32_t cp = lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  for (std::size_t i = 0; i < utf8.size();) AppendUtf16Le(out, NextCodePoint(utf8, i));
  return out;
}

// ---- Names and lines ----

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Position of c in s, stepping over GBK pairs when dbcs (a trail byte may equal "]" or "=").
std::size_t Find(std::string_view s, char c, bool dbcs) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c) return i;
    if (dbcs && static_cast<unsigned char>(s[i]) >= 0x81 && i + 1 < s.size()) ++i;
  }
  return std::string_view::npos;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool NamesEqual(std::string_view a, std::string_view b, bool dbcs) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (dbcs && static_cast<unsigned char>(a[i]) >= 0x81 && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
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

std::string ToWorking(const IniDocument& doc, std::string_view gbk) {
  return IsDbcs(doc) ? std::string(gbk) : GbkToUtf8(gbk);
}

std::string FromWorking(const IniDocument& doc, std::string_view text) {
  return IsDbcs(doc) ? std::string(text) : Utf8ToGbk(text);
}

// Cuts a GBK text to at most limit bytes without splitting a two-byte character.
std::string CutGbk(std::string text, std::size_t limit) {
  if (text.size() <= limit) return text;
  std::size_t end = 0;
  while (end < limit) {
    const std::size_t step = static_cast<unsigned char>(text[end]) >= 0x81 && end + 1 < text.size() ? 2 : 1;
    if (end + step > limit) break;
    end += step;
  }
  text.resize(end);
  return text;
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

bool IsValidUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    int extra;
    std::uint32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3, min = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    std::uint32_t cp = lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

IniEncoding DetectIniEncoding(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return IniEncoding::kUtf16Le;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return IniEncoding::kUtf8Bom;
  const bool ascii =
      std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return !ascii && IsValidUtf8(bytes) ? IniEncoding::kUtf8 : IniEncoding::kGbk;
}

IniDocument ParseIni(std::string_view bytes) {
  IniDocument doc;
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
    if (dropCr && !line.empty() && line.back() == '\r') line.pop_back();
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
  const std::string wantedKey = ToWorking(doc, Trim(key));
  const bool dbcs = IsDbcs(doc);
  for (const SectionSpan& span : FindSections(doc, ToWorking(doc, Trim(section)))) {
    for (std::size_t i = span.begin; i < span.end; ++i) {
      const Line line = ParseLine(doc.lines[i], dbcs);
      if (line.kind != LineKind::kKey || !NamesEqual(line.name, wantedKey, dbcs)) continue;
      std::string_view value = line.value;
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
      return CutGbk(FromWorking(doc, value), kIniValueLimit);
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
  const std::string wSection = ToWorking(doc, section);
  const std::string wKey = ToWorking(doc, key);
  const std::string wValue = ToWorking(doc, value);
  const bool dbcs = IsDbcs(doc);
  // A name the file's own syntax would read differently cannot be stored.
  if (Find(wSection, ']', dbcs) != std::string::npos || Find(wKey, '=', dbcs) != std::string::npos ||
      wKey.front() == '[' || wKey.front() == ';')
    return false;

  const std::vector<SectionSpan> spans = FindSections(doc, wSection);
  for (const SectionSpan& span : spans) {
    for (std::size_t i = span.begin; i < span.end; ++i) {
      const Line line = ParseLine(doc.lines[i], dbcs);
      if (line.kind == LineKind::kKey && NamesEqual(line.name, wKey, dbcs)) {
        doc.lines[i] = std::string(line.name) + "=" + wValue;  // the stored spelling of the key stays
        return true;
      }
    }
  }
  const std::string newLine = wKey + "=" + wValue;
  if (spans.empty()) {
    doc.lines.push_back("[" + wSection + "]");
    doc.lines.push_back(newLine);
    doc.endsWithLineEnd = true;
    return true;
  }
  // After the section's last non-blank line, so blank lines keep separating the sections.
  std::size_t at = spans.front().begin;
  for (std::size_t i = spans.front().begin; i < spans.front().end; ++i) {
    if (!Trim(doc.lines[i]).empty()) at = i + 1;
  }
  doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at), newLine);
  if (at == doc.lines.size() - 1) doc.endsWithLineEnd = true;
  return true;
}

bool DeleteIniKey(IniDocument& doc, std::string_view section, std::string_view key) {
  const std::string wKey = ToWorking(doc, Trim(key));
  const bool dbcs = IsDbcs(doc);
  const std::vector<SectionSpan> spans = FindSections(doc, ToWorking(doc, Trim(section)));
  bool removed = false;
  for (auto span = spans.rbegin(); span != spans.rend(); ++span) {  // from the back: indexes stay valid
    for (std::size_t i = span->end; i-- > span->begin;) {
      const Line line = ParseLine(doc.lines[i], dbcs);
      if (line.kind == LineKind::kKey && NamesEqual(line.name, wKey, dbcs)) {
        doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
      }
    }
  }
  return removed;
}

bool DeleteIniSection(IniDocument& doc, std::string_view section) {
  const std::vector<SectionSpan> spans = FindSections(doc, ToWorking(doc, Trim(section)));
  for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
    doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(span->header),
                    doc.lines.begin() + static_cast<std::ptrdiff_t>(span->end));
  }
  return !spans.empty();
}

}  // namespace tarnvel
