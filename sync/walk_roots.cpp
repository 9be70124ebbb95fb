#include "sync/walk_roots.h"

#include "runtime/text.h"

namespace tarnvel {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsAbsoluteRoot(std::string_view path) {
  if (path.rfind("\\\\?\\", 0) == 0) path.remove_prefix(4);
  if (path.rfind("UNC\\", 0) == 0) return path.size() > 4;
  if (path.size() >= 3 && IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) return true;
  // A share: two separators, then a server name (not "." or "?", the device forms).
  return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]) &&
         path[2] != '.' && path[2] != '?';
}

std::string CounterpartPath(std::string_view path, std::string_view fromRoot, std::string_view toRoot) {
  if (fromRoot.empty() || !IsAtOrBelow(path, fromRoot)) return {};
  return std::string(toRoot) + std::string(path.substr(fromRoot.size()));
}

bool IsAtOrBelow(std::string_view inner, std::string_view outer) {
  if (outer.empty() || inner.size() < outer.size()) return false;
  return FindText(inner.substr(0, outer.size()), outer, 1, true) == 1;
}

std::string ShownPath(std::string_view path) {
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + std::string(path.substr(8));
  if (path.rfind("\\\\?\\", 0) == 0) return std::string(path.substr(4));
  return std::string(path);
}

std::string LinkRefusal(LinkVerdict verdict) {
  switch (verdict) {
    case LinkVerdict::kFollow:
      return {};
    case LinkVerdict::kCannotOpen:
      return "链接无法打开，未进入";
    case LinkVerdict::kHoldsARoot:
      return "链接指向包含源目录或目标目录的文件夹，未进入";
    case LinkVerdict::kInsideTarget:
      return "链接指向目标目录之内，未进入";
    case LinkVerdict::kLoop:
      return "链接指回正在同步的上级文件夹，未进入";
  }
  return {};
}

std::string RootsRefusal(RootsVerdict verdict) {
  switch (verdict) {
    case RootsVerdict::kUsable:
      return {};
    case RootsVerdict::kBlank:
      return "错误：源目录或目标目录为空，任务未执行。";
    case RootsVerdict::kNotAbsolute:
      return "错误：源目录和目标目录必须是完整路径（如 D:\\资料），任务未执行。";
    case RootsVerdict::kNotADirectory:
      return "错误：源目录或目标目录不是文件夹，任务未执行。";
    case RootsVerdict::kSame:
      return "错误：源目录和目标目录是同一个文件夹，任务未执行。";
    case RootsVerdict::kTargetInsideSource:
      return "错误：目标目录位于源目录之内，任务未执行。";
    case RootsVerdict::kSourceInsideTarget:
      return "错误：源目录位于目标目录之内，任务未执行。";
    case RootsVerdict::kSystemFolder:
      return "错误：路径不能为系统盘，任务未执行。";
  }
  return {};
}

}  // namespace tarnvel
