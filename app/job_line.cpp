#include "app/job_line.h"

#include "runtime/convert.h"
#include "runtime/text.h"

namespace tarnvel {

std::string BuildJobLine(const TextArray& args) {
  std::string line;
  for (const std::string& arg : args) {
    line += arg;
    line += ' ';
  }
  return line;
}

std::optional<JobLine> ParseJobLine(std::string_view line) {
  const TextArray pieces = SplitText(TrimBoth(line), "|");
  if (pieces.size() != 4) return std::nullopt;
  return JobLine{pieces[0], pieces[1], ToInteger(pieces[2]), pieces[3]};
}

int EffectiveStyle(int style) {
  return style == kSingleBarStyle || style == kDoubleBarStyle ? style : kStaticStyle;
}

}  // namespace tarnvel
