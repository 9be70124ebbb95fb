#include <windows.h>
// (bcrypt.h needs the types windows.h declares)
#include <bcrypt.h>

#include "tests/support/update_support_win.h"

#include <algorithm>
#include <filesystem>

#include "runtime/encoding.h"
#include "runtime/files.h"
#include "runtime/window.h"

namespace tarnvel::test {

bool WriteBytes(const std::string& path, const ByteString& bytes) {
  return WriteWholeFile(path, {std::span<const std::uint8_t>(bytes.data(), bytes.size())});
}

bool WriteText(const std::string& path, const std::string& bytes) {
  return WriteBytes(path, ByteString(bytes.begin(), bytes.end()));
}

std::string ReadText(const std::string& path) {
  const ByteString bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> Names(const std::string& directory) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(Utf8ToWide(directory), error)) {
    names.push_back(WideToUtf8(entry.path().filename().wstring()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool RunAndWait(const std::string& commandLine) {
  std::wstring line = Utf8ToWide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &info))
    return false;
  WaitForSingleObject(info.hProcess, 30000);
  DWORD code = 1;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return code == 0;
}

bool DispatchUntil(const std::function<bool()>& done, int limitMilliseconds) {
  const ULONGLONG limit = GetTickCount64() + static_cast<ULONGLONG>(limitMilliseconds);
  while (!done()) {
    if (GetTickCount64() > limit) return false;
    ProcessEvents();
    if (done()) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  return true;
}

namespace {

bool Sha256Of(BCRYPT_ALG_HANDLE sha, ByteString input, UCHAR* out) {
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool ok = BCryptCreateHash(sha, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
            BCryptHashData(hash, input.data(), static_cast<ULONG>(input.size()), 0) == 0 &&
            BCryptFinishHash(hash, out, 32, 0) == 0;
  if (hash != nullptr) BCryptDestroyHash(hash);
  return ok;
}

// The test key's private half as the build wrote it with openssl ("ec -outform DER"): the
// SEC1 form of a P-256 key, whose fields lie at fixed places.
struct TestKey {
  ByteString d, x, y;
};

TestKey LoadTestKey() {
  TestKey key;
#ifdef TARNVEL_TEST_KEY_DER
  const ByteString der = ReadWholeFile(TARNVEL_TEST_KEY_DER);
  if (der.size() != 121 || der[5] != 0x04 || der[6] != 0x20 || der[56] != 0x04) return key;
  key.d.assign(der.begin() + 7, der.begin() + 39);
  key.x.assign(der.begin() + 57, der.begin() + 89);
  key.y.assign(der.begin() + 89, der.begin() + 121);
#endif
  return key;
}

}  // namespace

ByteString TestPublicKey() {
  const TestKey key = LoadTestKey();
  if (key.x.empty()) return {};
  ByteString point = {0x04};
  point.insert(point.end(), key.x.begin(), key.x.end());
  point.insert(point.end(), key.y.begin(), key.y.end());
  return point;
}

ByteString SignForTest(const ByteString& data) {
  const TestKey key = LoadTestKey();
  if (key.d.empty()) return {};
  ByteString blob(sizeof(BCRYPT_ECCKEY_BLOB));
  auto* head = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
  head->dwMagic = BCRYPT_ECDSA_PRIVATE_P256_MAGIC;
  head->cbKey = 32;
  for (const ByteString* part : {&key.x, &key.y, &key.d}) blob.insert(blob.end(), part->begin(), part->end());

  ByteString signature;
  BCRYPT_ALG_HANDLE ecdsa = nullptr, sha = nullptr;
  BCRYPT_KEY_HANDLE handle = nullptr;
  if (BCryptOpenAlgorithmProvider(&ecdsa, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) == 0 &&
      BCryptOpenAlgorithmProvider(&sha, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
      BCryptImportKeyPair(ecdsa, nullptr, BCRYPT_ECCPRIVATE_BLOB, &handle, blob.data(),
                          static_cast<ULONG>(blob.size()), 0) == 0) {
    UCHAR hash[32];
    if (Sha256Of(sha, data, hash)) {
      ULONG size = 0;
      signature.resize(64);
      if (BCryptSignHash(handle, nullptr, hash, 32, signature.data(), 64, &size, 0) != 0 || size != 64) {
        signature.clear();
      }
    }
  }
  if (handle != nullptr) BCryptDestroyKey(handle);
  if (sha != nullptr) BCryptCloseAlgorithmProvider(sha, 0);
  if (ecdsa != nullptr) BCryptCloseAlgorithmProvider(ecdsa, 0);
  return signature;
}

}  // namespace tarnvel::test
