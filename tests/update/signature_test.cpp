// The signature file's DER form as openssl writes it, read into the r ‖ s pair the system's
// verifier takes; anything else is refused rather than guessed at.
#include "update/signature.h"

#include <gtest/gtest.h>

namespace tarnvel {
namespace {

ByteString Bytes(std::initializer_list<int> values) {
  ByteString out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

ByteString Repeat(std::uint8_t value, std::size_t count) { return ByteString(count, value); }

// SEQUENCE { INTEGER r, INTEGER s } with the given content bytes.
ByteString Der(const ByteString& r, const ByteString& s) {
  ByteString out{0x30, static_cast<std::uint8_t>(4 + r.size() + s.size()), 0x02, static_cast<std::uint8_t>(r.size())};
  out.insert(out.end(), r.begin(), r.end());
  out.push_back(0x02);
  out.push_back(static_cast<std::uint8_t>(s.size()));
  out.insert(out.end(), s.begin(), s.end());
  return out;
}

TEST(SignaturePair, DerIntegersBecomeTwoCoordinatesOfThirtyTwoBytes) {
  // A high first byte carries a sign byte of 0 in DER; a short value is padded on the left.
  ByteString r{0x00};
  r.insert(r.end(), 32, 0x81);
  const ByteString s = Bytes({0x05, 0x06});
  const ByteString pair = SignatureToRawPair(Der(r, s));
  ASSERT_EQ(pair.size(), 64u);
  EXPECT_EQ(ByteString(pair.begin(), pair.begin() + 32), Repeat(0x81, 32));
  ByteString expectedS(30, 0);
  expectedS.push_back(0x05);
  expectedS.push_back(0x06);
  EXPECT_EQ(ByteString(pair.begin() + 32, pair.end()), expectedS);
}

TEST(SignaturePair, SixtyFourBytesAreTakenAsThePairAlready) {
  const ByteString raw = Repeat(0x42, 64);
  EXPECT_EQ(SignatureToRawPair(raw), raw);
}

TEST(SignaturePair, AnythingElseIsRefused) {
  const ByteString good = Der(Repeat(0x11, 32), Repeat(0x22, 32));
  ASSERT_EQ(SignatureToRawPair(good).size(), 64u);

  ByteString trailing = good;
  trailing.push_back(0);
  ByteString truncated(good.begin(), good.end() - 1);
  ByteString negative = Der(Bytes({0x80, 0x01}), Repeat(0x22, 32));
  ByteString tooLong = Der(Repeat(0x11, 33), Repeat(0x22, 32));  // 33 bytes without a sign byte
  ByteString notSequence = good;
  notSequence[0] = 0x31;
  ByteString notInteger = good;
  notInteger[2] = 0x04;
  ByteString emptyInteger = Der({}, Repeat(0x22, 32));
  for (const ByteString& bad : {trailing, truncated, negative, tooLong, notSequence, notInteger, emptyInteger,
                                ByteString{}, Repeat(0x30, 63), Repeat(0x30, 65)}) {
    EXPECT_TRUE(SignatureToRawPair(bad).empty()) << bad.size() << " bytes";
  }
}

TEST(SignatureMessages, EveryFailureSaysThatNothingWasChanged) {
  EXPECT_EQ(SignatureCheckMessage(SignatureCheck::Good), "");
  for (SignatureCheck failure :
       {SignatureCheck::Bad, SignatureCheck::Malformed, SignatureCheck::Missing, SignatureCheck::NoKey}) {
    EXPECT_FALSE(SignatureCheckMessage(failure).empty());
  }
  EXPECT_NE(SignatureCheckMessage(SignatureCheck::NoKey).find("不能自动安装"), std::string::npos);
}

}  // namespace
}  // namespace tarnvel
