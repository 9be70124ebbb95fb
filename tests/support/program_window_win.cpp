#include "tests/support/program_window_win.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace tarnvel::test {

bool WaitUntil(const std::function<bool()>& done, int tries) {
  for (int i = 0; i < tries; ++i) {
    if (done()) return true;
    Sleep(10);
  }
  return false;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[2048] = {};
  SendMessageW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

namespace {

struct Found {
  DWORD process;
  std::wstring title;
  HWND hwnd;
};

}  // namespace

HWND WindowOf(DWORD process, const std::wstring& title) {
  Found found{process, title, nullptr};
  EnumWindows(
      [](HWND hwnd, LPARAM param) {
        auto* f = reinterpret_cast<Found*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        wchar_t text[256] = {};
        GetWindowTextW(hwnd, text, 256);
        if (owner == f->process && f->title == text) {
          f->hwnd = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found.hwnd;
}

Program::Program() : Program(kProgramPath, L"Z:\\") {}

Program::Program(const std::wstring& path, const std::wstring& directory) {
  std::wstring line = L"\"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  started_ = CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                            &startup, &info_) != FALSE;
  if (!started_) error_ = GetLastError();
}

Program::~Program() {
  if (!started_) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
  WaitForSingleObject(info_.hProcess, 10000);
  CloseHandle(info_.hProcess);
  CloseHandle(info_.hThread);
}

bool Program::EndsWithin(DWORD milliseconds) {
  return WaitForSingleObject(info_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

DWORD Program::ExitCode() {
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

HWND Program::Window(const std::wstring& title, bool visible) {
  HWND hwnd = nullptr;
  WaitUntil([&] {
    hwnd = WindowOf(Id(), title);
    return hwnd != nullptr && (!visible || IsWindowVisible(hwnd));
  });
  return hwnd;
}

Box WaitForBox(const std::wstring& caption) {
  Box box;
  WaitUntil([&] {
    box.hwnd = FindWindowW(L"#32770", caption.c_str());
    return box.hwnd != nullptr && IsWindowVisible(box.hwnd);
  });
  if (box.hwnd != nullptr) box.text = TextOf(GetDlgItem(box.hwnd, 0xFFFF));
  return box;
}

void Press(const Box& box, int button) {
  const HWND hwnd = box.hwnd;
  PostMessageW(hwnd, WM_COMMAND, button, 0);
  WaitUntil([&] { return !IsWindow(hwnd); });
}

void Type(HWND box, const std::wstring& text) {
  HWND edit = FindWindowExW(box, nullptr, L"Edit", nullptr);
  SendMessageW(edit != nullptr ? edit : box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Command(HWND window, int id) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

std::wstring Stored(const std::wstring& key, const std::wstring& name) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    wchar_t buffer[4096] = {};
    DWORD size = sizeof buffer;
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) ==
        ERROR_SUCCESS) {
      return buffer;
    }
  }
  return L"<missing>";
}

void ForgetSettings() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) RegDeleteTreeW(root, kVendorKey.c_str());
}

void StoreSetting(const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_SZ, value.c_str(),
                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
}

namespace {

// Runs reg.exe export of one key into a file and returns the file's text (UTF-16, BOM dropped);
// "" when the key does not exist.
std::wstring RegExportText(const std::wstring& rootAndKey) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring file =
      std::wstring(temp) + L"tarnvel-export-" + std::to_wstring(GetCurrentProcessId()) + L".reg";
  DeleteFileW(file.c_str());
  std::wstring line = L"reg.exe export \"" + rootAndKey + L"\" \"" + file + L"\" /y";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &info)) {
    return L"";
  }
  WaitForSingleObject(info.hProcess, 60000);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  DeleteFileW(file.c_str());
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                 static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
  return text;
}

// A quoted string of an export line from `pos` (at its opening quote): unescaped, and `pos`
// moved past the closing quote.
std::wstring Quoted(const std::wstring& line, std::size_t& pos) {
  std::wstring text;
  for (++pos; pos < line.size() && line[pos] != L'"'; ++pos) {
    if (line[pos] == L'\\' && pos + 1 < line.size()) ++pos;
    text += line[pos];
  }
  ++pos;
  return text;
}

void ReadValues(const std::wstring& text, const std::wstring& section,
                std::map<std::wstring, std::wstring>& values) {
  bool inSection = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (!line.empty() && line[0] == L'[') {
      inSection = _wcsicmp(line.c_str(), (L"[" + section + L"]").c_str()) == 0;
      continue;
    }
    if (!inSection || line.empty() || line[0] != L'"') continue;
    std::size_t pos = 0;
    const std::wstring name = Quoted(line, pos);
    if (pos + 1 < line.size() && line[pos] == L'=' && line[pos + 1] == L'"') {
      ++pos;
      values[name] = Quoted(line, pos);
    }
  }
}

}  // namespace

std::map<std::wstring, std::wstring> ExportedValues(const std::wstring& key) {
  std::map<std::wstring, std::wstring> values;
  for (const wchar_t* root : {L"HKEY_LOCAL_MACHINE", L"HKEY_CURRENT_USER"}) {
    const std::wstring full = std::wstring(root) + L"\\" + key;
    ReadValues(RegExportText(full), full, values);
  }
  return values;
}

HWND MainWindowTest::Start(Program& program) {
  EXPECT_TRUE(program.Started()) << "error " << program.StartError();
  HWND main = program.Window(kMainTitle);
  EXPECT_NE(main, nullptr);
  return main;
}

void MainWindowTest::Exit(Program& program, HWND main) {
  constexpr int kExitControl = 110;
  Command(main, kExitControl);
  const Box box = WaitForBox(L"提示");
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.text, L"真的要退出么？");
  Press(box, IDOK);
  ASSERT_TRUE(program.EndsWithin(30000));
  EXPECT_EQ(program.ExitCode(), 0u);
}

std::string NewestRunLog(const std::string& mentioning) {
  wchar_t base[MAX_PATH] = {};
  GetEnvironmentVariableW(L"LOCALAPPDATA", base, MAX_PATH);
  std::error_code error;
  std::filesystem::file_time_type newest_time = std::filesystem::file_time_type::min();
  std::string newest;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(base) / L"Tarnvel" / L"logs", error)) {
    if (entry.path().extension() != L".log") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto written = entry.last_write_time(error);
    if (!error && written >= newest_time && text.find(mentioning) != std::string::npos) {
      newest_time = written;
      newest = std::move(text);
    }
  }
  return newest;
}

}  // namespace tarnvel::test
