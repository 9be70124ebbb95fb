#include "runtime/cmdline.h"

#include <algorithm>

#include "runtime/text.h"

namespace tarnvel {
namespace {

bool IsSeparator(char c) { return static_cast<unsigned char>(c) < 33; }

}  // namespace

TextArray SplitCommandLine(std::string_view line) {
  TextArray args;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsSeparator(line[i])) ++i;
    if (i >= line.size()) break;
    std::size_t begin = i, end;
    if (line[i] == '"') {
      begin = ++i;
      while (i < line.size() && line[i] != '"') i += CharLengthAt(line, i);
      end = std::min(i, line.size());
      if (i < line.size()) ++i;  // the closing quote
    } else {
      while (i < line.size() && !IsSeparator(line[i]) && line[i] != '"') i += CharLengthAt(line, i);
      end = std::min(i, line.size());
    }
    args.emplace_back(line.substr(begin, end - begin));
  }
  return args;
}

TextArray ArgumentsAfterProgramName(std::string_view commandLine) {
  TextArray args = SplitCommandLine(commandLine);
  if (!args.empty()) args.erase(args.begin());
  return args;
}

}  // namespace tarnvel
