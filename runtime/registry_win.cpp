// The registry operations on the wide registry API. Every name and value crosses as exact
// UTF-16: a name or text that is not UTF-8 (or WTF-8) is refused rather than stored under another
// spelling. Reads ask for the value's size first, so values of any length come whole.
#include <windows.h>

#include "runtime/registry.h"

#include <cstring>
#include <vector>

#include "runtime/encoding.h"

namespace tarnvel {
namespace {

HKEY RootKey(int root) {
  switch (RegistryRootOf(root)) {
    case RegistryRoot::ClassesRoot:
      return HKEY_CLASSES_ROOT;
    case RegistryRoot::CurrentConfig:
      return HKEY_CURRENT_CONFIG;
    case RegistryRoot::LocalMachine:
      return HKEY_LOCAL_MACHINE;
    case RegistryRoot::Users:
      return HKEY_USERS;
    case RegistryRoot::CurrentUser:
      break;
  }
  return HKEY_CURRENT_USER;
}

// An open key, closed once.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (key_) RegCloseKey(key_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// The exact wide form of a name or text; false when there is none.
bool Wide(std::string_view text, std::wstring& wide) {
  auto exact = Utf8ToWideExact(text);
  if (!exact) return false;
  wide = std::move(*exact);
  return true;
}

LSTATUS OpenKeyStatus(int root, const std::string& keyPath, REGSAM access, Key& key) {
  std::wstring wide;
  if (!Wide(keyPath, wide)) return ERROR_INVALID_NAME;
  return RegOpenKeyExW(RootKey(root), wide.c_str(), 0, access, key.Out());
}

// An empty key path gives a handle of our own to the root itself, which is closed like any other.
bool OpenKey(int root, const std::string& keyPath, REGSAM access, Key& key) {
  return OpenKeyStatus(root, keyPath, access, key) == ERROR_SUCCESS;
}

bool CreateKey(int root, const std::string& keyPath, Key& key) {
  std::wstring wide;
  return Wide(keyPath, wide) &&
         RegCreateKeyExW(RootKey(root), wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                         nullptr, key.Out(), nullptr) == ERROR_SUCCESS;
}

// Reads a value of any type whole. The size is asked first and asked again if the value
// grows between the two calls.
bool QueryValue(int root, std::string_view path, DWORD& type, std::vector<BYTE>& data) {
  const RegistryPath split = SplitRegistryPath(path);
  Key key;
  std::wstring name;
  if (!Wide(split.valueName, name) || !OpenKey(root, split.key, KEY_QUERY_VALUE, key)) return false;
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      return false;
    }
    data.assign(size + sizeof(wchar_t), 0);  // room for a terminator the value may lack
    DWORD got = size;
    const LSTATUS status = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, data.data(), &got);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return false;
    data.resize(got);
    return true;
  }
  return false;
}

std::wstring WideFromValue(const std::vector<BYTE>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  // A stored string normally carries its terminator; some writers store more than one.
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

std::wstring ExpandEnvironment(const std::wstring& text) {
  std::wstring out(text.size() + 1, L'\0');
  for (;;) {
    const DWORD need = ExpandEnvironmentStringsW(text.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (need == 0) return text;
    if (need <= out.size()) {
      out.resize(need - 1);  // the count includes the terminator
      return out;
    }
    out.assign(need, L'\0');
  }
}

bool SetValue(int root, std::string_view path, DWORD type, const void* data, std::size_t size) {
  const RegistryPath split = SplitRegistryPath(path);
  Key key;
  std::wstring name;
  if (!Wide(split.valueName, name) || !CreateKey(root, split.key, key)) return false;
  return RegSetValueExW(key.Get(), name.c_str(), 0, type, static_cast<const BYTE*>(data),
                        static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

}  // namespace

std::string RegReadText(int root, std::string_view path, std::string_view defaultValue) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!QueryValue(root, path, type, data)) return std::string(defaultValue);
  if (type == REG_SZ) return WideToUtf8(WideFromValue(data));
  if (type == REG_EXPAND_SZ) return WideToUtf8(ExpandEnvironment(WideFromValue(data)));
  return std::string(defaultValue);
}

int RegReadNumber(int root, std::string_view path, int defaultValue) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (!QueryValue(root, path, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD)) {
    return defaultValue;
  }
  DWORD value = 0;
  std::memcpy(&value, data.data(), sizeof value);
  return static_cast<int>(value);
}

bool RegWrite(int root, std::string_view path, int value) {
  const DWORD stored = static_cast<DWORD>(value);
  return SetValue(root, path, REG_DWORD, &stored, sizeof stored);
}

bool RegWrite(int root, std::string_view path, std::string_view text) {
  std::wstring wide;
  if (!Wide(text, wide)) return false;
  return SetValue(root, path, REG_SZ, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
}

bool RegWrite(int root, std::string_view path, const char* text) {
  return RegWrite(root, path, std::string_view(text ? text : ""));
}

bool RegWrite(int root, std::string_view path, const std::string& text) {
  return RegWrite(root, path, std::string_view(text));
}

bool RegWrite(int root, std::string_view path, const ByteString& bytes) {
  return SetValue(root, path, REG_BINARY, bytes.data(), bytes.size());
}

bool RegExists(int root, std::string_view path) {
  const RegistryPath split = SplitRegistryPath(path);
  Key key;
  std::wstring name;
  if (!Wide(split.valueName, name) || !OpenKey(root, split.key, KEY_QUERY_VALUE, key)) return false;
  return RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool RegDeleteValue(int root, std::string_view path) {
  const RegistryPath split = SplitRegistryPath(path);
  Key key;
  std::wstring name;
  if (!Wide(split.valueName, name)) return false;
  const LSTATUS open = OpenKeyStatus(root, split.key, KEY_SET_VALUE, key);
  if (open == ERROR_FILE_NOT_FOUND) return true;
  if (open != ERROR_SUCCESS) return false;
  const LSTATUS status = RegDeleteValueW(key.Get(), name.c_str());
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool RegKeyWritable(int root, std::string_view keyPath) {
  // Find the deepest part of the path that exists: the key itself must take values, an
  // ancestor must take new subkeys.
  std::string path(keyPath);
  while (!path.empty() && path.back() == '\\') path.pop_back();
  REGSAM access = KEY_SET_VALUE;
  for (;;) {
    Key key;
    const LSTATUS status = OpenKeyStatus(root, path, access, key);
    if (status == ERROR_SUCCESS) return true;
    if (status != ERROR_FILE_NOT_FOUND || path.empty()) return false;
    path = SplitRegistryPath(path).key;
    access = KEY_CREATE_SUB_KEY;
  }
}

}  // namespace tarnvel
