// The settings file: any bytes parse; parse → write → parse gives the same lines; an item
// written reads back as written, whatever its bytes; writing it again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/property_check.h"
#include "runtime/inifile.h"

using namespace tarnvel;

// A broken property: say which before stopping, so the saved input is easy to read.

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// What a written value reads back as: blanks around it are not kept, nor a pair of quotes
// around it, and a value is cut at the limit.
bool ReadsBackAsWritten(std::string_view value) {
  if (value.size() > kIniValueLimit) return false;
  if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()))) return false;
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte tells how much of the rest is the file; the item follows, its three parts
  // separated by "\x01".
  const std::string_view all(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t fileSize = std::min<std::size_t>(all.size(), data[0] * 4u);
  const std::string_view file = all.substr(0, fileSize);
  const std::string_view item = all.substr(fileSize);

  IniDocument doc = ParseIni(file);
  const std::string written = SerializeIni(doc);
  const IniDocument again = ParseIni(written);
  PROPERTY(again.lines == doc.lines);
  PROPERTY(again.encoding == doc.encoding);
  PROPERTY(SerializeIni(again) == written);

  const std::size_t s1 = item.find('\x01');
  const std::size_t s2 = s1 == std::string_view::npos ? s1 : item.find('\x01', s1 + 1);
  if (s2 == std::string_view::npos) return 0;
  const std::string_view section = item.substr(0, s1), key = item.substr(s1 + 1, s2 - s1 - 1),
                         value = item.substr(s2 + 1);
  if (!SetIniValue(doc, section, key, value)) return 0;
  const std::string saved = SerializeIni(doc);
  IniDocument loaded = ParseIni(saved);
  const auto read = IniValue(loaded, section, key);
  PROPERTY(read.has_value());
  if (ReadsBackAsWritten(value)) PROPERTY(*read == value);
  // Loading what was saved and saving the same item again adds nothing.
  PROPERTY(SetIniValue(loaded, section, key, value));
  PROPERTY(SerializeIni(loaded) == saved);
  // Deleting it removes it.
  if (DeleteIniKey(loaded, section, key)) PROPERTY(!IniValue(ParseIni(SerializeIni(loaded)), section, key));
  return 0;
}
