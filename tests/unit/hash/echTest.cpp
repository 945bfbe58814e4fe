// TECH against the standard's example digests and OpenSSL's SHA-1.
#include "ECCrypt/hash/ECH.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/sha1Oracle.h"
#include "support/vectorFile.h"

namespace eccrypt {
namespace {

using Digest = testsupport::Sha1Digest;
using testsupport::OpenSslSha1;

std::string ToHex(const Digest& d) {
  static const char* const digits = "0123456789abcdef";
  std::string s;
  for (std::uint8_t b : d) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

Digest HashString(const std::string& message) {
  TECH hash;
  hash.Init();
  hash.UpdateString(message);
  Digest out{};
  hash.Final(out.data());
  return out;
}

Digest HashByteByByte(const std::string& message) {
  TECH hash;
  hash.Init();
  for (char c : message) hash.UpdateByte(static_cast<std::uint8_t>(c));
  Digest out{};
  hash.Final(out.data());
  return out;
}

TEST(ECH, StandardExampleDigests) {
  const std::vector<testsupport::TVectorRecord> cases = testsupport::ReadVectorFile("sha1.vec");
  ASSERT_EQ(cases.size(), 4u) << "sha1.vec lost or gained a record";
  for (const testsupport::TVectorRecord& c : cases) {
    const std::size_t repeat =
        c.contains("repeat") ? std::stoul(testsupport::Field(c, "repeat")) : std::size_t{1};
    std::string message;
    for (std::size_t k = 0; k < repeat; ++k) message += testsupport::Field(c, "message");
    EXPECT_EQ(ToHex(HashString(message)), testsupport::Field(c, "digest"))
        << message.size() << " bytes";
  }

  // No update at all, and an empty string, give the empty message's digest (the first record).
  ASSERT_TRUE(testsupport::Field(cases.front(), "message").empty());
  TECH noUpdate;
  noUpdate.Init();
  Digest out{};
  noUpdate.Final(out.data());
  EXPECT_EQ(ToHex(out), testsupport::Field(cases.front(), "digest"));
  EXPECT_EQ(ToHex(noUpdate.Digest), ToHex(out)) << "Final keeps the digest in the object";
}

// Every length 0..300 crosses each padding boundary (55, 56, 63, 64 bytes and their
// multiples); byte-by-byte and whole-string absorption must agree with each other and with
// OpenSSL.
TEST(ECH, MatchesOpenSslForEveryLengthUpTo300) {
  std::mt19937 rng(0xEC4);
  std::uniform_int_distribution<int> byte(0, 255);
  for (std::size_t length = 0; length <= 300; ++length) {
    std::string message(length, '\0');
    for (char& c : message) c = static_cast<char>(byte(rng));
    const Digest expected = OpenSslSha1(message);
    ASSERT_EQ(HashString(message), expected) << length << " bytes";
    ASSERT_EQ(HashByteByByte(message), expected) << length << " bytes";
  }
}

// One object hashes several messages in turn, each begun with Init.
TEST(ECH, InitStartsAFreshMessage) {
  TECH hash;
  Digest out{};
  for (const std::string& message : {std::string(100, 'q'), std::string("abc"), std::string()}) {
    hash.Init();
    hash.UpdateString(message);
    hash.Final(out.data());
    EXPECT_EQ(out, OpenSslSha1(message)) << message;
  }
}

TEST(ECH, DigestToWordsReadsBigEndianAtTheIndex) {
  TECH hash;
  hash.Init();
  hash.UpdateString("abc");
  Digest out{};
  hash.Final(out.data());

  std::array<std::uint32_t, 7> values{};
  values.fill(0xDEADBEEF);
  hash.DigestToWords(values.data(), 1);
  EXPECT_EQ(values[0], 0xDEADBEEFU);
  EXPECT_EQ(values[1], 0xA9993E36U);
  EXPECT_EQ(values[2], 0x4706816AU);
  EXPECT_EQ(values[5], 0x9CD0D89DU);
  EXPECT_EQ(values[6], 0xDEADBEEFU);

  std::array<std::uint32_t, 7> again = values;
  hash.DigestToWords(again.data(), 1);
  EXPECT_EQ(again, values);
}

}  // namespace
}  // namespace eccrypt
