// SHA-256, HMAC-SHA-256 and HKDF-SHA-256: held against OpenSSL for every length around the block
// and padding boundaries and for keys around the block size, and against the vectors of
// RFC 5869 (tests/vectors/hkdfSha256.vec).
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/sha.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "ECCrypt/hash/sha256.h"
#include "support/vectorFile.h"

namespace eccrypt {
namespace {

std::vector<std::uint8_t> Pattern(std::size_t length, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 31 * i);
  return bytes;
}

TEST(Sha256Test, MatchesOpenSslForEveryLengthAcrossTheBlockBoundariesInAnyPieces) {
  for (std::size_t length = 0; length <= 200; ++length) {
    const std::vector<std::uint8_t> message = Pattern(length, 5);
    std::array<std::uint8_t, 32> expected{};
    SHA256(message.data(), message.size(), expected.data());
    // Whole, and in pieces of 1, 7 and 64 bytes.
    for (const std::size_t piece : {length + 1, std::size_t{1}, std::size_t{7}, std::size_t{64}}) {
      TSha256 hash;
      for (std::size_t at = 0; at < length; at += piece) {
        hash.Update(std::span(message).subspan(at, std::min(piece, length - at)));
      }
      std::array<std::uint8_t, 32> digest{};
      hash.Final(digest);
      ASSERT_EQ(digest, expected) << "length " << length << ", pieces of " << piece;
    }
  }
}

TEST(Sha256Test, HmacMatchesOpenSslForKeysAroundTheBlockSize) {
  const std::vector<std::uint8_t> data = Pattern(100, 9);
  for (const std::size_t keyLength : {0U, 1U, 32U, 63U, 64U, 65U, 200U}) {
    const std::vector<std::uint8_t> key = Pattern(keyLength, 77);
    std::array<std::uint8_t, 32> expected{}, mac{};
    unsigned int size = 0;
    HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()), data.data(), data.size(),
         expected.data(), &size);
    HmacSha256(key, data, mac);
    EXPECT_EQ(mac, expected) << "key of " << keyLength << " bytes";
  }
}

TEST(Sha256Test, HkdfMatchesRfc5869VectorsAndRefusesOversizeOutput) {
  for (const testsupport::TVectorRecord& c : testsupport::ReadVectorFile("hkdfSha256.vec")) {
    const std::vector<std::uint8_t> expected =
        testsupport::BytesFromHex(testsupport::Field(c, "okm"));
    std::vector<std::uint8_t> okm(expected.size());
    HkdfSha256(testsupport::BytesFromHex(testsupport::Field(c, "ikm")),
               testsupport::BytesFromHex(testsupport::Field(c, "salt")),
               testsupport::BytesFromHex(testsupport::Field(c, "info")), okm);
    EXPECT_EQ(okm, expected) << testsupport::Field(c, "name");
  }
  std::vector<std::uint8_t> tooLong(255 * 32 + 1);
  EXPECT_THROW(HkdfSha256(Pattern(22, 1), {}, {}, tooLong), std::length_error);
}

}  // namespace
}  // namespace eccrypt
