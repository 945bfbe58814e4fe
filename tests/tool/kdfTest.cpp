// HKDF-SHA256 against the test vectors of RFC 5869 (appendix A, cases 1 to 3).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tool/kdf.h"

namespace eccrypt::tool {
namespace {

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::vector<std::uint8_t> Sequence(std::uint8_t first, std::size_t count) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

struct THkdfCase {
  const char* name;
  std::vector<std::uint8_t> ikm, salt, info;
  std::string okm;
};

TEST(Hkdf, MatchesRfc5869Vectors) {
  const std::vector<THkdfCase> cases = {
      {"basic", std::vector<std::uint8_t>(22, 0x0b), Sequence(0x00, 13), Sequence(0xf0, 10),
       "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865"},
      {"long inputs", Sequence(0x00, 80), Sequence(0x60, 80), Sequence(0xb0, 80),
       "b11e398dc80327a1c8e7f78c596a49344f012eda2d4efad8a050cc4c19afa97c59045a99cac7827271cb"
       "41c65e590e09da3275600c2f09b8367793a9aca3db71cc30c58179ec3e87c14c01d5c1f3434f1d87"},
      {"empty salt and info",
       std::vector<std::uint8_t>(22, 0x0b),
       {},
       {},
       "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8"},
  };
  for (const THkdfCase& c : cases) {
    const std::vector<std::uint8_t> expected = FromHex(c.okm);
    std::vector<std::uint8_t> okm(expected.size());
    HkdfSha256(c.ikm, c.salt, c.info, okm);
    EXPECT_EQ(okm, expected) << c.name;
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
