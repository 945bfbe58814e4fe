// The pass-phrase generator, held byte for byte against an independent SHA-1: the counter
// little-endian, then the pass-phrase digest with each 4-byte group reversed.
#include "ECCrypt/hash/prng.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/sha1Oracle.h"

namespace eccrypt {
namespace {

using testsupport::OpenSslSha1;
using testsupport::PassPhraseGeneratorOutput;
using Digest = testsupport::Sha1Digest;

std::uint32_t FirstWordBigEndian(const Digest& d) {
  return (std::uint32_t{d[0]} << 24) | (std::uint32_t{d[1]} << 16) | (std::uint32_t{d[2]} << 8) |
         d[3];
}

// The output for a counter value after seeding with phrase.
std::uint32_t ExpectedWord(const std::string& phrase, std::uint32_t counter) {
  return FirstWordBigEndian(PassPhraseGeneratorOutput(phrase, counter));
}

TEST(PrngTest, SeedStoresThePassPhraseDigestAsBigEndianWords) {
  for (const std::string phrase : {"", "correct horse battery staple"}) {
    SCOPED_TRACE("pass phrase \"" + phrase + "\"");
    TPRNG g;
    g.Seed(phrase);
    const Digest d = OpenSslSha1(phrase);
    EXPECT_EQ(g.SeedWords, 6);
    EXPECT_EQ(g.State[0], 0u);
    for (std::size_t k = 1; k <= 5; ++k) {
      const std::size_t b = 4 * (k - 1);
      EXPECT_EQ(g.State[k], (std::uint32_t{d[b]} << 24) | (std::uint32_t{d[b + 1]} << 16) |
                                (std::uint32_t{d[b + 2]} << 8) | d[b + 3]);
    }
  }
}

TEST(PrngTest, OutputsFollowTheCounterAndByteOrder) {
  const std::string phrase = "pass phrase";
  TPRNG g;
  g.Seed(phrase);
  for (std::uint32_t counter = 1; counter <= 3; ++counter) {
    EXPECT_EQ(g.NextWord(), ExpectedWord(phrase, counter)) << "counter " << counter;
  }
  // The counter wraps modulo 2^32.
  g.State[0] = 0xFFFFFFFFu;
  EXPECT_EQ(g.NextWord(), ExpectedWord(phrase, 0));
  EXPECT_EQ(g.State[0], 0u);

  // Seeding again keeps the counter running.
  g.State[0] = 7;
  g.Seed("other");
  EXPECT_EQ(g.NextWord(), ExpectedWord("other", 8));
}

TEST(PrngTest, UnseededGeneratorHashesNothing) {
  TPRNG g;
  const std::uint32_t empty = FirstWordBigEndian(OpenSslSha1(std::string()));
  EXPECT_EQ(g.NextWord(), empty);
  EXPECT_EQ(g.NextWord(), empty);
}

TEST(PrngTest, SecretIsBuiltFromFifteenOutputsLowDigitFirst) {
  // The second pass phrase's last output has a zero low half: the secret has 14 digits.
  for (const std::string& p : {std::string("a pass phrase"), std::string("top digit zero 9312")}) {
    SCOPED_TRACE(p);
    TPRNG g;
    g.Seed(p);
    const TECCrypt secret = g.MakeSecret();
    EXPECT_EQ(g.State[0], 15u);
    std::int32_t length = 0;  // normal form: up to the top nonzero digit
    for (std::uint32_t j = 0; j < 15; ++j) {
      const auto digit = static_cast<std::int32_t>(ExpectedWord(p, j + 1) & 0xFFFF);
      EXPECT_EQ(secret.Words[j + 1], digit) << "digit " << j;
      if (digit != 0) length = static_cast<std::int32_t>(j + 1);
    }
    EXPECT_EQ(secret.Length(), length);
    EXPECT_EQ(secret.Length(), p == "a pass phrase" ? 15 : 14);
  }
  const std::string phrase = "a pass phrase";
  TPRNG g;
  g.Seed(phrase);
  const TECCrypt secret = g.MakeSecret();

  // The same pass phrase gives the same secret; the next one continues with counters 16..30.
  TPRNG twin;
  twin.Seed(phrase);
  EXPECT_TRUE(twin.MakeSecret().Equal(secret));
  const TECCrypt second = twin.MakeSecret();
  EXPECT_EQ(twin.State[0], 30u);
  EXPECT_FALSE(second.Equal(secret));
  EXPECT_EQ(second.Words[1], static_cast<std::int32_t>(ExpectedWord(phrase, 16) & 0xFFFF));
}

TEST(PrngTest, PassPhrasesDifferingInOneByteGiveDifferentSecrets) {
  TPRNG a, b, empty;
  a.Seed("pass phrase A");
  b.Seed("pass phrase B");
  empty.Seed("");
  const TECCrypt sa = a.MakeSecret();
  const TECCrypt sb = b.MakeSecret();
  const TECCrypt se = empty.MakeSecret();
  EXPECT_FALSE(sa.Equal(sb));
  EXPECT_LE(se.BitLength(), 240);
  EXPECT_FALSE(se.Equal(sa));
}

TEST(PrngTest, ResetClearsTheState) {
  TPRNG g;
  g.Seed("x");
  g.NextWord();
  g.Reset();
  EXPECT_EQ(g.SeedWords, 0);
  for (std::uint32_t w : g.State) EXPECT_EQ(w, 0u);
}

}  // namespace
}  // namespace eccrypt
