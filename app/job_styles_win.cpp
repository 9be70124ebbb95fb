// The step sequences of the three display styles.
#include <windows.h>

#include "app/job_styles.h"

#include <vector>

#include "app/size_copier.h"
#include "runtime/convert.h"
#include "runtime/encoding.h"
#include "runtime/programs.h"
#include "runtime/text.h"

namespace tarnvel {
namespace {

constexpr int kShellFileNotFound = 2;

// The absolute, upper-cased form of a directory with one trailing "\", for comparing places.
std::wstring ComparablePlace(const std::string& path) {
  const std::wstring wide = PathToWide(path);
  std::vector<wchar_t> buffer(wide.size() + MAX_PATH + 1);
  DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (length >= buffer.size()) {
    buffer.resize(length + 1);
    length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  }
  std::wstring full = length == 0 || length >= buffer.size() ? wide : std::wstring(buffer.data(), length);
  if (full.rfind(L"\\\\?\\UNC\\", 0) == 0) {
    full = L"\\\\" + full.substr(8);
  } else if (full.rfind(L"\\\\?\\", 0) == 0) {
    full = full.substr(4);
  }
  while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  full += L'\\';
  CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  return full;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

bool JobPathsUsable(const std::string& source, const std::string& target) {
  if (TrimBoth(source).empty() || TrimBoth(target).empty()) return false;
  const std::wstring from = ComparablePlace(source);
  const std::wstring to = ComparablePlace(target);
  return !StartsWith(from, to) && !StartsWith(to, from);
}

void RunStaticSteps(const std::string& source, const std::string& target) {
  if (!JobPathsUsable(source, target)) return;
  CleanTargetBySize(source, target);
  CopyTreeBySize(source, target);
}

void RunSingleBarSteps(const std::string& source, const std::string& target, Label& fileLabel, ProgressBar& fileBar) {
  fileLabel.SetText(kCleaningText);
  const bool usable = JobPathsUsable(source, target);
  if (usable) CleanTargetBySize(source, target);
  const std::int32_t count = usable ? CountMissingFiles(source, target) : 0;
  if (count == 0) {
    fileBar.SetPosition(fileBar.Maximum());
  } else {
    fileBar.SetRange(0, count);
    fileBar.SetPosition(0);
    CopyTreeWithBar(source, target, fileLabel, fileBar, count);
  }
  fileLabel.SetText(kFinishedText);
}

void RunDoubleBarSteps(const JobControls& job) {
  job.statusLabel.SetText(kCountingText);
  const bool usable = JobPathsUsable(job.source, job.target);
  if (usable) CleanTargetBySize(job.source, job.target);
  const std::int32_t count = usable ? CountMissingFiles(job.source, job.target) : 0;
  job.countLabel.SetText(ToText(count));
  if (count > 0) {
    job.secondCountLabel.SetText(ToText(count));
    job.overallBar.SetRange(0, count);
    job.overallBar.SetPosition(0);
    job.fileBar.SetMinimum(0);
    job.fileBar.SetPosition(0);
    CopyTreeWithTwoBars(job.source, job.target, job);
  }
  job.statusLabel.SetText(kFinishedText);
  job.overallBar.SetPosition(job.overallBar.Maximum());
  job.fileBar.SetPosition(job.fileBar.Maximum());
}

bool OpenAfterCommand(const std::string& command) { return ShellOpen(command) != kShellFileNotFound; }

}  // namespace tarnvel
