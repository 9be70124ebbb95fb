#include "ui/main_window_checks.h"

#include "runtime/text.h"

namespace tarnvel {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

bool IsAbsoluteJobPath(std::string_view path) {
  const std::string text = TrimBoth(path);
  // "D:" alone is the drive's root: the run adds the separator before it starts.
  if (text.size() == 2 && IsLetter(text[0]) && text[1] == ':') return true;
  if (text.size() >= 3 && IsLetter(text[0]) && text[1] == ':' && IsSeparator(text[2])) return true;
  if (text.size() < 5 || !IsSeparator(text[0]) || !IsSeparator(text[1])) return false;
  // \\server\share: a server name, a separator and a share name.
  const std::size_t serverEnd = text.find_first_of("\\/", 2);
  if (serverEnd == std::string::npos || serverEnd == 2) return false;
  return serverEnd + 1 < text.size() && !IsSeparator(text[serverEnd + 1]);
}

std::optional<std::string> TaskPathRefusal(const std::string& source, const std::string& target) {
  for (const std::string* path : {&source, &target}) {
    if (path->find_first_of(";|") != std::string::npos) return "路径不能包含“;”或“|”：" + *path;
  }
  return std::nullopt;
}

std::optional<std::string> TaskDialogRefusal(const std::string& source, const std::string& target,
                                             const SystemLocations& system) {
  if (source.empty() || target.empty()) return "路径不能为空";
  if (auto refusal = TaskPathRefusal(source, target)) return refusal;
  if (source == target) return "路径不能相同";
  if (IsSystemLocation(target, system)) return kSystemDriveRefusal;
  return std::nullopt;
}

std::optional<std::string> JobBoxesRefusal(const std::string& source, const std::string& target, bool cleanUp,
                                           const SystemLocations& system) {
  if (!IsAbsoluteJobPath(source) || !IsAbsoluteJobPath(target)) {
    return "错误：源目录和目标目录都必须是完整路径（如 D:\\资料 或 \\\\服务器\\共享），任务未执行。";
  }
  if (cleanUp && IsSystemLocation(target, system))
    return std::string("错误：") + kSystemDriveRefusal + "，任务未执行。";
  return std::nullopt;
}

std::string UsageNotes() {
  return "注意：使用前请测试规则，否则丢失数据自负\r\n"
         "\r\n"
         "本版更新：修改时间的比较更准确；定时可按每天、每月的日期、每星期的某天，精确到分钟；"
         "窗口最小化时运行完毕不再弹出完成提示；文件大小不受限制；为了速度，不再预先统计文件数目。"
         "有任何建议请发给作者。\r\n"
         "\r\n"
         "支持命令方式执行参数如：原目标|对比目标|方案（分三种 1是静态 2是单进度显示 "
         "3是双进度显示）|完成后执行\r\n"
         "例如：Tarnvel.exe D:\\资料|E:\\备份|3|E:\\备份\r\n"
         "（完成后打开 E:\\备份；第四项不能为空）\r\n"
         "请不要留空格\r\n"
         "快捷方式的目标可写成：\"D:\\工具\\Tarnvel.exe\" D:\\资料|E:\\备份|2|E:\\备份\r\n"
         "\r\n"
         "U盘模式：在本程序所在的目录放一个 Tarnvel.ini，每次从U盘打开本程序，就把程序所在的目录"
         "备份到设置的目录，然后自动退出。文件内容如下（以 ; 开头的是说明行，值的后面不要写说明）：\r\n"
         "[DIR]\r\n"
         "; 这里设置你要备份到的目录\r\n"
         "Install=d:\\备份\r\n"
         "; 是否清除多余的文件：1 清除，0 不清除\r\n"
         "EC=1";
}

}  // namespace tarnvel
