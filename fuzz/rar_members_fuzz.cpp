// Archive member names: any file gives names that are pieces of the file, the search always
// ends, and the installer batch for a plain first name hands it over as its own argument and
// quotes every path it uses.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/property_check.h"
#include "update/update_texts.h"

using namespace tarnvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteString archive(data, data + size);
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  int hits = 0;
  const std::string names = RarMemberNames(archive, [&] { ++hits; });
  if (static_cast<std::size_t>(hits) > size) PROPERTY_BROKEN();
  if (!names.empty() && names.back() == ';') PROPERTY_BROKEN();
  const std::string first = FirstMemberName(names);
  if (!first.empty() && bytes.find(first) == std::string_view::npos) PROPERTY_BROKEN();
  if (IsPlainFileName(first)) {
    const InstallBatch made =
        ArchiveInstallBatch({"Z:\\程序 目录", "Tarnvel.exe", 1}, "C:\\a b\\rar.exe", first);
    if (made.environment.size() != 4 || made.environment[3].second != first) PROPERTY_BROKEN();
    const std::string& batch = made.text;
    std::size_t lineStart = 0;
    while (lineStart <= batch.size()) {
      const std::size_t lineEnd = std::min(batch.find("\r\n", lineStart), batch.size());
      std::size_t quotes = 0;
      for (std::size_t i = lineStart; i < lineEnd; ++i) quotes += batch[i] == '"';
      if (quotes % 2 != 0) PROPERTY_BROKEN();
      lineStart = lineEnd + 2;
    }
  }
  return 0;
}
