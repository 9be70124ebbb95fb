// Detached signatures of update files: ECDSA over P-256 with SHA-256. The maker signs each
// update file with the release key's private half; the program holds the public half (a build
// setting) and installs only a file whose signature checks.
//
//   openssl dgst -sha256 -sign release.pem -out Tarnvel.exe.sig Tarnvel.exe
//
// The signature file holds the DER form openssl writes (or the bare 64 bytes r ‖ s).
#pragma once

#include <string>

#include "runtime/values.h"

namespace tarnvel {

enum class SignatureCheck {
  Good,        // the file is the maker's
  Bad,         // the signature does not match the file or the key
  Malformed,   // the signature file is not a signature at all
  Missing,     // no signature could be fetched for the file
  NoKey,       // this build holds no public key: it checks versions but installs nothing
};

// The 65-byte uncompressed public point (04 ‖ X ‖ Y) built into the program; empty when the
// build was made without a key.
ByteString BuiltInUpdateKey();

// Checks `signature` over `data` with `publicKey` (65 bytes 04 ‖ X ‖ Y, or 64 bytes X ‖ Y).
// An empty key gives NoKey.
SignatureCheck VerifyUpdateSignature(const ByteString& data, const ByteString& signature,
                                     const ByteString& publicKey);
// The same with the built-in key.
SignatureCheck VerifyUpdateSignature(const ByteString& data, const ByteString& signature);

// What the user is told when a check fails ("" for Good).
std::string SignatureCheckMessage(SignatureCheck result);

// The 64 bytes r ‖ s of a DER signature (SEQUENCE of two INTEGERs); a 64-byte input is taken as
// r ‖ s already. Empty when the input is neither. Platform-free.
ByteString SignatureToRawPair(const ByteString& signature);

}  // namespace tarnvel
