// The job line: any command line gives four pieces or nothing; four pieces put back together
// are the trimmed line; a valid UTF-8 line gives valid UTF-8 pieces.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/job_line.h"
#include "fuzz/property_check.h"
#include "runtime/cmdline.h"
#include "runtime/encoding.h"
#include "runtime/text.h"

using namespace tarnvel;

// A broken property: say which before stopping, so the saved input is easy to read.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string line = BuildJobLine(SplitCommandLine(bytes));
  for (const std::string_view candidate : {std::string_view(line), bytes}) {
    const auto job = ParseJobLine(candidate);
    if (!job) continue;
    // The pieces put back together are the trimmed line (a last "|" with nothing after it
    // ends the fourth piece).
    const std::string trimmed = TrimBoth(candidate);
    const std::string joined = job->source + "|" + job->target + "|";
    if (trimmed.rfind(joined, 0) != 0) PROPERTY_BROKEN();
    const std::string rest = trimmed.substr(joined.size());
    const std::size_t bar = rest.find('|');
    if (bar == std::string::npos ||
        (rest.substr(bar + 1) != job->afterCommand && rest.substr(bar + 1) != job->afterCommand + "|"))
      PROPERTY_BROKEN();
    if (IsStrictUtf8(candidate)) {
      for (const std::string* piece : {&job->source, &job->target, &job->afterCommand}) {
        if (!IsStrictUtf8(*piece)) PROPERTY_BROKEN();
      }
    }
    (void)EffectiveStyle(job->style);
  }
  return 0;
}
