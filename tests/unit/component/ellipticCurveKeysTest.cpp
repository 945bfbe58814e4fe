// MakeKey, Encrypt and Decrypt through the component's properties: deterministic key pairs
// pinned as stored texts and held against an independent derivation, and session keys that
// both sides agree on in either text form.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"
#include "support/componentSupport.h"
#include "support/sha1Oracle.h"
#include "support/vectorFile.h"

namespace eccrypt {
namespace {

using namespace testsupport;

constexpr const char* Phrase = "correct horse battery staple";

// The key pairs of Phrase, hexadecimal first, then radix-64: stored texts, pinned in
// tests/vectors/passPhraseKeys.vec.
struct PinnedPair {
  TMode Mode;
  std::string KeyPublic;
  std::string KeySecret;
};

std::vector<PinnedPair> ReadPinnedPairs() {
  std::vector<PinnedPair> pairs;
  for (const testsupport::TVectorRecord& record :
       testsupport::ReadVectorFile("passPhraseKeys.vec")) {
    if (testsupport::Field(record, "phrase") != Phrase) {
      throw std::runtime_error("passPhraseKeys.vec is for another pass phrase");
    }
    const std::string& modeName = testsupport::Field(record, "mode");
    if (modeName != "hex" && modeName != "base64") {
      throw std::runtime_error("passPhraseKeys.vec: unknown mode '" + modeName + "'");
    }
    const TMode mode = modeName == "hex" ? TMode::Hex : TMode::Base64;
    pairs.push_back(
        {mode, testsupport::Field(record, "public"), testsupport::Field(record, "secret")});
  }
  if (pairs.size() != 2 || pairs[0].Mode != TMode::Hex || pairs[1].Mode != TMode::Base64) {
    throw std::runtime_error("passPhraseKeys.vec must hold the hex pair, then the base64 pair");
  }
  return pairs;
}

const std::vector<PinnedPair>& Pinned() {
  static const std::vector<PinnedPair> pairs = ReadPinnedPairs();
  return pairs;
}

// The secret key of a pass phrase in hexadecimal, derived with OpenSSL's SHA-1: output j
// (j = 1..15) hashes the counter j least significant byte first, then the pass-phrase digest
// with each 4-byte group reversed; digest bytes 2 and 3 of output j make the digit of weight
// 65536^(j-1).
std::string IndependentSecretHex(const std::string& phrase) {
  std::vector<unsigned> digits;  // least significant first
  for (std::uint32_t counter = 1; counter <= 15; ++counter) {
    const Sha1Digest out = PassPhraseGeneratorOutput(phrase, counter);
    digits.push_back((unsigned{out[2]} << 8) | out[3]);
  }
  while (!digits.empty() && digits.back() == 0) digits.pop_back();  // normal form
  std::string hex;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    char group[5];
    std::snprintf(group, sizeof group, "%04X", *it);
    hex += group;
  }
  return hex;
}

class EllipticCurveKeysTest : public ComponentTest {};

TEST_F(EllipticCurveKeysTest, MakeKeyGivesThePinnedPairInEachMode) {
  for (const PinnedPair& pair : Pinned()) {
    SCOPED_TRACE(ModeName(pair.Mode));
    TEllipticCurve c;
    c.SetIOMode(pair.Mode);
    c.SetPassPhrase(Phrase);
    c.SetKeySession("old session");
    c.SetExchangedValue("old exchanged");
    c.SetSignature("old:signature");
    c.MakeKey();
    EXPECT_EQ(c.KeyPublic(), pair.KeyPublic);
    EXPECT_EQ(c.KeySecret(), pair.KeySecret);
    EXPECT_TRUE(c.Valid());
    // Nothing but the keys and Valid is written.
    EXPECT_EQ(c.KeySession(), "old session");
    EXPECT_EQ(c.ExchangedValue(), "old exchanged");
    EXPECT_EQ(c.Signature(), "old:signature");
    EXPECT_EQ(c.PassPhrase(), Phrase);
  }
}

TEST_F(EllipticCurveKeysTest, IOModeBytesOtherThanHexWriteRadix64) {
  TEllipticCurve c;
  c.SetIOMode(static_cast<TMode>(2));
  c.SetPassPhrase(Phrase);
  c.MakeKey();
  EXPECT_EQ(c.KeyPublic(), Pinned()[1].KeyPublic);
  EXPECT_EQ(c.KeySecret(), Pinned()[1].KeySecret);
}

TEST_F(EllipticCurveKeysTest, SecretKeyMatchesAnIndependentDerivation) {
  EXPECT_EQ(IndependentSecretHex(Phrase), Pinned()[0].KeySecret);
  // The radix-64 pair spells the bytes of the hexadecimal one.
  EXPECT_EQ(HexToBase64(Pinned()[0].KeyPublic), Pinned()[1].KeyPublic);
  EXPECT_EQ(HexToBase64(Pinned()[0].KeySecret), Pinned()[1].KeySecret);
  for (const std::string phrase : {"", "\xFF\x00 bytes"}) {
    TEllipticCurve c;
    c.SetIOMode(TMode::Hex);
    c.SetPassPhrase(phrase);
    c.MakeKey();
    EXPECT_EQ(c.KeySecret(), IndependentSecretHex(phrase));
    EXPECT_TRUE(c.Valid());
  }
}

TEST_F(EllipticCurveKeysTest, MakeKeyIsDeterministicAndDependsOnEveryByte) {
  TEllipticCurve a, b, other;
  for (TEllipticCurve* c : {&a, &b}) c->SetPassPhrase("same phrase");
  other.SetPassPhrase("same phrasf");
  a.MakeKey();
  b.MakeKey();
  other.MakeKey();
  EXPECT_EQ(Take(a), Take(b));
  EXPECT_NE(a.KeySecret(), other.KeySecret());
  EXPECT_NE(a.KeyPublic(), other.KeyPublic());
  // A second run on the same component overwrites with the same texts.
  const Snapshot before = Take(a);
  a.MakeKey();
  EXPECT_EQ(Take(a), before);
}

TEST_F(EllipticCurveKeysTest, BothSidesAgreeOnTheSessionKeyInEitherMode) {
  for (const PinnedPair& pair : Pinned()) {
    SCOPED_TRACE(ModeName(pair.Mode));
    // Both sides hold unrelated texts that neither operation may touch.
    TEllipticCurve owner, sender;
    FillAll(owner, pair.Mode);
    owner.SetKeyPublic(pair.KeyPublic);
    owner.SetKeySecret(pair.KeySecret);
    FillAll(sender, pair.Mode);
    sender.SetValid(false);
    sender.SetKeyPublic(pair.KeyPublic);

    Snapshot expected = Take(sender);
    sender.Encrypt();
    EXPECT_NE(sender.KeySession(), expected.KeySession);
    EXPECT_NE(sender.ExchangedValue(), expected.ExchangedValue);
    expected.KeySession = sender.KeySession();
    expected.ExchangedValue = sender.ExchangedValue();
    EXPECT_EQ(Take(sender), expected);  // Valid false stays false

    owner.SetExchangedValue(sender.ExchangedValue());
    expected = Take(owner);
    expected.KeySession = sender.KeySession();
    owner.Decrypt();
    EXPECT_EQ(Take(owner), expected);  // Valid true stays true

    // Each Encrypt draws a new secret.
    const std::string firstExchanged = sender.ExchangedValue();
    sender.Encrypt();
    EXPECT_NE(sender.ExchangedValue(), firstExchanged);
  }
}

TEST_F(EllipticCurveKeysTest, DecryptWithAnotherSecretKeyGivesAnotherSessionKey) {
  TEllipticCurve sender, stranger;
  sender.SetIOMode(TMode::Hex);
  sender.SetKeyPublic(Pinned()[0].KeyPublic);
  sender.Encrypt();

  stranger.SetIOMode(TMode::Hex);
  stranger.SetPassPhrase("someone else");
  stranger.MakeKey();
  stranger.SetExchangedValue(sender.ExchangedValue());
  stranger.Decrypt();
  EXPECT_FALSE(stranger.KeySession().empty());
  EXPECT_NE(stranger.KeySession(), sender.KeySession());
  EXPECT_TRUE(stranger.Valid());
}

TEST_F(EllipticCurveKeysTest, SecretKeysAreUsedModuloTheOrder) {
  // x + n, and x + n * 2^48 of 19 digits (every digit the integer record holds), decrypt and
  // sign as x does.
  TvlPoint x, n;
  HexToInteger(Pinned()[0].KeySecret, x);
  n.LoadOrder(true);
  TvlPoint plusN = x, plusLongN = n;
  plusN.Add(n);
  for (int i = 0; i < 3; ++i) plusLongN.ShiftLeft(16);
  plusLongN.Add(x);
  ASSERT_EQ(plusLongN.Length(), TvlPoint::Capacity);

  const testsupport::Digest digest = testsupport::DigestFrom(5);
  for (const PinnedPair& pair : Pinned()) {
    SCOPED_TRACE(ModeName(pair.Mode));
    TEllipticCurve sender;
    sender.SetIOMode(pair.Mode);
    sender.SetKeyPublic(pair.KeyPublic);
    sender.Encrypt();
    for (const TvlPoint& secret : {plusN, plusLongN}) {
      const std::string text =
          pair.Mode == TMode::Hex ? IntegerToHex(secret) : HexToBase64(IntegerToHex(secret));
      TEllipticCurve owner;
      owner.SetIOMode(pair.Mode);
      owner.SetKeySecret(text);
      owner.SetExchangedValue(sender.ExchangedValue());
      owner.Decrypt();
      EXPECT_EQ(owner.KeySession(), sender.KeySession());

      owner.Sign(digest);
      TEllipticCurve verifier;
      verifier.SetIOMode(pair.Mode);
      verifier.SetKeyPublic(pair.KeyPublic);
      verifier.SetSignature(owner.Signature());
      verifier.Verify(digest);
      EXPECT_TRUE(verifier.Valid());
    }
  }
}

TEST_F(EllipticCurveKeysTest, ValuesReadInTheOtherModeAreRefused) {
  // A text written in one mode and read in the other is no point of the group (or not even a
  // text the integer record holds): the operation clears instead of computing with it.
  for (const PinnedPair& written : Pinned()) {
    const PinnedPair& reader = &written == &Pinned()[0] ? Pinned()[1] : Pinned()[0];
    const TMode other = reader.Mode;
    SCOPED_TRACE(other == TMode::Hex ? "read as Hex" : "read as Base64");
    TEllipticCurve sender;
    sender.SetIOMode(other);
    sender.SetKeyPublic(written.KeyPublic);
    sender.Encrypt();
    EXPECT_EQ(Take(sender), EmptyIn(other));

    // The exchanged value of a matching Encrypt, read in the other mode by Decrypt that holds
    // the secret key in its own mode.
    TEllipticCurve writer, owner;
    writer.SetIOMode(written.Mode);
    writer.SetKeyPublic(written.KeyPublic);
    writer.Encrypt();
    owner.SetIOMode(other);
    owner.SetKeySecret(reader.KeySecret);
    owner.SetExchangedValue(writer.ExchangedValue());
    owner.Decrypt();
    EXPECT_EQ(Take(owner), EmptyIn(other));
  }
}

}  // namespace
}  // namespace eccrypt
