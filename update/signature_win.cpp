// The check itself, by the system's cryptography (CNG): SHA-256 of the data, then ECDSA P-256
// verification with the public key imported as a key blob.
#include "update/signature.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tarnvel {
namespace {

constexpr ULONG kCoordinateBytes = 32;

// An open algorithm provider; closed once.
class Algorithm {
 public:
  explicit Algorithm(const wchar_t* name) {
    if (BCryptOpenAlgorithmProvider(&handle_, name, nullptr, 0) != 0) handle_ = nullptr;
  }
  ~Algorithm() {
    if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Algorithm(const Algorithm&) = delete;
  Algorithm& operator=(const Algorithm&) = delete;
  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

// SHA-256 of the data through the classic hash object calls (BCryptHash needs Windows 10).
bool Sha256(const ByteString& data, std::vector<UCHAR>& digest) {
  Algorithm sha(BCRYPT_SHA256_ALGORITHM);
  if (!sha.get()) return false;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (BCryptCreateHash(sha.get(), &hash, nullptr, 0, nullptr, 0, 0) != 0) return false;
  digest.assign(32, 0);
  // CNG takes at most a ULONG of bytes per call.
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < data.size()) {
    const ULONG chunk = static_cast<ULONG>(std::min<std::size_t>(data.size() - done, 1u << 30));
    ok = BCryptHashData(hash, const_cast<PUCHAR>(data.data() + done), chunk, 0) == 0;
    done += chunk;
  }
  ok = ok && BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0) == 0;
  BCryptDestroyHash(hash);
  return ok;
}

// The key blob CNG imports: its header, then X and Y.
std::vector<UCHAR> PublicKeyBlob(const ByteString& publicKey) {
  const UCHAR* point = publicKey.data();
  if (publicKey.size() == 2 * kCoordinateBytes + 1 && publicKey[0] == 0x04) {
    ++point;
  } else if (publicKey.size() != 2 * kCoordinateBytes) {
    return {};
  }
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, kCoordinateBytes};
  std::vector<UCHAR> blob(sizeof header + 2 * kCoordinateBytes);
  std::memcpy(blob.data(), &header, sizeof header);
  std::memcpy(blob.data() + sizeof header, point, 2 * kCoordinateBytes);
  return blob;
}

}  // namespace

SignatureCheck VerifyUpdateSignature(const ByteString& data, const ByteString& signature,
                                     const ByteString& publicKey) {
  if (publicKey.empty()) return SignatureCheck::NoKey;
  if (signature.empty()) return SignatureCheck::Missing;
  ByteString pair = SignatureToRawPair(signature);
  std::vector<UCHAR> blob = PublicKeyBlob(publicKey);
  if (pair.empty()) return SignatureCheck::Malformed;
  if (blob.empty()) return SignatureCheck::NoKey;  // a key this program cannot use is no key
  std::vector<UCHAR> digest;
  if (!Sha256(data, digest)) return SignatureCheck::Bad;
  Algorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
  if (!ecdsa.get()) return SignatureCheck::Bad;
  BCRYPT_KEY_HANDLE key = nullptr;
  if (BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(),
                          static_cast<ULONG>(blob.size()), 0) != 0)
    return SignatureCheck::NoKey;
  const NTSTATUS status = BCryptVerifySignature(key, nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                                pair.data(), static_cast<ULONG>(pair.size()), 0);
  BCryptDestroyKey(key);
  return status == 0 ? SignatureCheck::Good : SignatureCheck::Bad;
}

SignatureCheck VerifyUpdateSignature(const ByteString& data, const ByteString& signature) {
  return VerifyUpdateSignature(data, signature, BuiltInUpdateKey());
}

}  // namespace tarnvel
