// TECH on a message of 600,000,000 bytes (4.8e9 bits, beyond 2^32), streamed a mebibyte at a
// time, against OpenSSL's SHA-1 fed the same pieces.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "ECCrypt/hash/ECH.h"

namespace eccrypt {
namespace {

TEST(Sha1LongMessageTest, StandardDigestPastTwoToThe29Bytes) {
  constexpr std::size_t kTotal = 600'000'000;
  constexpr std::size_t kPiece = 1 << 20;
  std::vector<char> piece(kPiece);
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> oracle(EVP_MD_CTX_new(),
                                                                       &EVP_MD_CTX_free);
  ASSERT_TRUE(oracle && EVP_DigestInit_ex(oracle.get(), EVP_sha1(), nullptr) == 1);
  TECH hash;
  hash.Init();
  for (std::size_t done = 0, round = 0; done < kTotal; ++round) {
    const std::size_t size = std::min(kPiece, kTotal - done);
    // Every piece differs, so a block dropped or repeated changes the digest.
    for (std::size_t i = 0; i < size; ++i) piece[i] = static_cast<char>((i * 31 + round * 7) >> 3);
    hash.UpdateString(std::string_view(piece.data(), size));
    ASSERT_EQ(EVP_DigestUpdate(oracle.get(), piece.data(), size), 1);
    done += size;
  }
  std::array<std::uint8_t, 20> digest{}, expected{};
  unsigned int length = 0;
  ASSERT_EQ(EVP_DigestFinal_ex(oracle.get(), expected.data(), &length), 1);
  hash.Final(digest.data());
  EXPECT_EQ(digest, expected);
}

}  // namespace
}  // namespace eccrypt
