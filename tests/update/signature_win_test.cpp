// Update signatures checked by the system's verifier against files signed by openssl with the
// build's test key (and with a stranger's key), laid out by the build in Y:\signing.
#include "update/signature.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace tarnvel {
namespace {

#ifdef TARNVEL_SIGNING_DIR
ByteString ReadTestFile(const std::string& name) {
  std::ifstream in(std::string(TARNVEL_SIGNING_DIR) + name, std::ios::binary);
  EXPECT_TRUE(in) << name;
  return ByteString(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ByteString PublicKey() {
  const ByteString hex = ReadTestFile("public.hex");
  ByteString key;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    key.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(hex.begin() + i, hex.begin() + i + 2), nullptr, 16)));
  return key;
}

TEST(UpdateSignature, TheMakersSignatureChecksInBothForms) {
  const ByteString data = ReadTestFile("update.bin");
  const ByteString key = PublicKey();
  ASSERT_EQ(key.size(), 65u);
  EXPECT_EQ(VerifyUpdateSignature(data, ReadTestFile("update.bin.sig"), key), SignatureCheck::Good);
  EXPECT_EQ(VerifyUpdateSignature(data, ReadTestFile("update.bin.raw.sig"), key), SignatureCheck::Good);
  // The key without its leading 04 is the same key.
  EXPECT_EQ(
      VerifyUpdateSignature(data, ReadTestFile("update.bin.sig"), ByteString(key.begin() + 1, key.end())),
      SignatureCheck::Good);
  // This build's own key is the test key.
  EXPECT_EQ(BuiltInUpdateKey(), key);
  EXPECT_EQ(VerifyUpdateSignature(data, ReadTestFile("update.bin.sig")), SignatureCheck::Good);
}

TEST(UpdateSignature, AChangedFileOrSignatureOrAStrangersKeyIsRefused) {
  const ByteString data = ReadTestFile("update.bin");
  const ByteString signature = ReadTestFile("update.bin.raw.sig");
  const ByteString key = PublicKey();

  for (std::size_t at : {std::size_t{0}, data.size() / 2, data.size() - 1}) {
    ByteString changed = data;
    changed[at] ^= 0x01;
    EXPECT_EQ(VerifyUpdateSignature(changed, signature, key), SignatureCheck::Bad) << "byte " << at;
  }
  ByteString longer = data;
  longer.push_back('\n');
  EXPECT_EQ(VerifyUpdateSignature(longer, signature, key), SignatureCheck::Bad);

  for (std::size_t at : {std::size_t{5}, std::size_t{40}}) {
    ByteString changed = signature;
    changed[at] ^= 0x80;
    EXPECT_EQ(VerifyUpdateSignature(data, changed, key), SignatureCheck::Bad) << "signature byte " << at;
  }
  EXPECT_EQ(VerifyUpdateSignature(data, ReadTestFile("update.bin.stranger.sig"), key), SignatureCheck::Bad);
}

// A file of 78,000 bytes: a change anywhere, the last byte included, is found.
TEST(UpdateSignature, EveryByteOfALongFileCounts) {
  const ByteString data = ReadTestFile("large.bin");
  const ByteString signature = ReadTestFile("large.bin.sig");
  const ByteString key = PublicKey();
  ASSERT_GT(data.size(), 65536u);
  EXPECT_EQ(VerifyUpdateSignature(data, signature, key), SignatureCheck::Good);
  for (std::size_t at : {std::size_t{0}, std::size_t{65535}, std::size_t{65536}, data.size() - 1}) {
    ByteString changed = data;
    changed[at] ^= 0x01;
    EXPECT_EQ(VerifyUpdateSignature(changed, signature, key), SignatureCheck::Bad) << "byte " << at;
  }
  EXPECT_EQ(VerifyUpdateSignature(ByteString(data.begin(), data.end() - 1), signature, key),
            SignatureCheck::Bad);
}
#endif

TEST(UpdateSignature, NoKeyNoSignatureAndNoiseAreNeverGood) {
  const ByteString data{'x'};
  const ByteString noise(70, 0x30);
  const ByteString someKey(65, 0x04);
  EXPECT_EQ(VerifyUpdateSignature(data, noise, {}), SignatureCheck::NoKey);
  EXPECT_EQ(VerifyUpdateSignature(data, {}, someKey), SignatureCheck::Missing);
  EXPECT_EQ(VerifyUpdateSignature(data, noise, someKey), SignatureCheck::Malformed);
  // A pair of the right length over a point that is not on the curve.
  EXPECT_NE(VerifyUpdateSignature(data, ByteString(64, 0x01), someKey), SignatureCheck::Good);
  EXPECT_NE(VerifyUpdateSignature(data, ByteString(64, 0x01), ByteString(12, 0x04)), SignatureCheck::Good);
}

}  // namespace
}  // namespace tarnvel
