// HKDF-SHA256 against the test vectors of RFC 5869 (tests/vectors/hkdfSha256.vec).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/vectorFile.h"
#include "tool/kdf.h"

namespace eccrypt::tool {
namespace {

TEST(Hkdf, MatchesRfc5869Vectors) {
  for (const testsupport::TVectorRecord& c : testsupport::ReadVectorFile("hkdfSha256.vec")) {
    const std::vector<std::uint8_t> expected =
        testsupport::BytesFromHex(testsupport::Field(c, "okm"));
    std::vector<std::uint8_t> okm(expected.size());
    HkdfSha256(testsupport::BytesFromHex(testsupport::Field(c, "ikm")),
               testsupport::BytesFromHex(testsupport::Field(c, "salt")),
               testsupport::BytesFromHex(testsupport::Field(c, "info")), okm);
    EXPECT_EQ(okm, expected) << testsupport::Field(c, "name");
  }
}

TEST(Hkdf, ShorterOutputIsAPrefixAndOversizeIsRefused) {
  const std::vector<std::uint8_t> ikm(22, 0x0b);
  std::vector<std::uint8_t> full(82), part(33);
  HkdfSha256(ikm, {}, {}, full);
  HkdfSha256(ikm, {}, {}, part);
  EXPECT_TRUE(std::equal(part.begin(), part.end(), full.begin()));
  std::vector<std::uint8_t> tooLong(255 * 32 + 1);
  EXPECT_THROW(HkdfSha256(ikm, {}, {}, tooLong), std::length_error);
}

}  // namespace
}  // namespace eccrypt::tool
