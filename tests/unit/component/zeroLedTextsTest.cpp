// Texts led by zero groups ("0000" in Hex mode, what spells them in radix-64): the component
// never writes them, but a peer or a hand-edited key file may, and they stand for the same
// value. Keys and exchanged values give the same session keys and verdicts; a signature half
// is compared by its value, and one that does not check only sets Valid to false.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/text/base64Text.h"
#include "support/componentSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

// The hexadecimal text of a value written in mode, in whole groups.
std::string HexOf(TMode mode, const std::string& text) {
  std::string hex = mode == TMode::Hex ? text : Base64ToHex(text);
  hex.resize(hex.size() / 4 * 4);  // radix-64 may spell a byte that is no part of the value
  return hex;
}

std::string InMode(TMode mode, const std::string& hex) {
  return mode == TMode::Hex ? hex : HexToBase64(hex);
}

// text, written in mode, with `groups` zero groups in front.
std::string ZeroLed(TMode mode, const std::string& text, int groups) {
  return InMode(mode, std::string(4 * static_cast<std::size_t>(groups), '0') + HexOf(mode, text));
}

struct SignatureHalves {
  std::string r, s;
};

SignatureHalves Split(const std::string& signature) {
  const std::size_t colon = signature.find(':');
  return {signature.substr(0, colon), signature.substr(colon + 1)};
}

// One key pair per mode, made once for the suite.
class ZeroLedTextsTest : public KeyPairPerModeTest<ZeroLedTextsTest> {
 public:
  static constexpr const char* PassPhrase = "zero groups in front";

 protected:
  static std::string SignatureOf(TMode mode, const Digest& digest) {
    TEllipticCurve signer;
    signer.SetIOMode(mode);
    signer.SetKeySecret(Keys(mode).KeySecret());
    signer.Sign(digest);
    return signer.Signature();
  }

  // Verifies signature on a component holding other properties too; expects that only Valid
  // changes, to `valid`.
  static void ExpectVerifies(TMode mode, const std::string& publicKey, const std::string& signature,
                             const Digest& digest, bool valid) {
    TEllipticCurve c;
    FillAll(c, mode);
    c.SetValid(!valid);
    c.SetKeyPublic(publicKey);
    c.SetSignature(signature);
    EXPECT_TRUE(VerifySetsOnlyValid(c, digest, valid));
  }
};

TEST_F(ZeroLedTextsTest, KeysAndExchangedValuesLedByZeroGroupsAreTheSameValue) {
  const Digest digest = DigestFrom(21);
  for (TMode mode : {TMode::Hex, TMode::Base64}) {
    for (int groups : {1, 3}) {
      SCOPED_TRACE(std::string(ModeName(mode)) + ", zero groups: " + std::to_string(groups));
      const std::string publicKey = Keys(mode).KeyPublic();
      const std::string secretKey = Keys(mode).KeySecret();

      // Encrypt to the zero-led public key; the plain secret key recovers the session key, and
      // so do a zero-led secret key and a zero-led exchanged value.
      TEllipticCurve sender;
      sender.SetIOMode(mode);
      sender.SetKeyPublic(ZeroLed(mode, publicKey, groups));
      sender.Encrypt();
      ASSERT_FALSE(sender.KeySession().empty());
      EXPECT_EQ(sender.KeyPublic(), ZeroLed(mode, publicKey, groups));  // kept as given
      const std::string exchanged = sender.ExchangedValue();
      struct Case {
        const char* what;
        std::string secret, exchanged;
      };
      const Case cases[] = {
          {"plain texts", secretKey, exchanged},
          {"zero-led exchanged value", secretKey, ZeroLed(mode, exchanged, groups)},
          {"zero-led secret key", ZeroLed(mode, secretKey, groups), exchanged},
      };
      for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TEllipticCurve receiver;
        receiver.SetIOMode(mode);
        receiver.SetKeySecret(k.secret);
        receiver.SetExchangedValue(k.exchanged);
        receiver.Decrypt();
        EXPECT_EQ(receiver.KeySession(), sender.KeySession());
      }

      // A zero-led secret key signs as the plain one; either public key text verifies.
      TEllipticCurve signer;
      signer.SetIOMode(mode);
      signer.SetKeySecret(ZeroLed(mode, secretKey, groups));
      signer.Sign(digest);
      ASSERT_FALSE(signer.Signature().empty());
      ExpectVerifies(mode, publicKey, signer.Signature(), digest, true);
      ExpectVerifies(mode, ZeroLed(mode, publicKey, groups), signer.Signature(), digest, true);
    }
  }
}

TEST_F(ZeroLedTextsTest, ZeroLedHalvesOfAGoodSignatureVerify) {
  // r has at most 16 digits and s 17, so up to 3 and 2 zero groups keep within 19 groups.
  const Digest digest = DigestFrom(22);
  for (TMode mode : {TMode::Hex, TMode::Base64}) {
    SCOPED_TRACE(ModeName(mode));
    const SignatureHalves good = Split(SignatureOf(mode, digest));
    const struct { int rGroups, sGroups; } cases[] = {{1, 0}, {3, 0}, {0, 1}, {0, 2}, {1, 1}};
    for (const auto& k : cases) {
      SCOPED_TRACE(std::to_string(k.rGroups) + " and " + std::to_string(k.sGroups));
      const std::string signature =
          ZeroLed(mode, good.r, k.rGroups) + ":" + ZeroLed(mode, good.s, k.sGroups);
      ExpectVerifies(mode, Keys(mode).KeyPublic(), signature, digest, true);
    }
  }
}

TEST_F(ZeroLedTextsTest, WrongZeroLedHalvesOnlySetValidFalse) {
  // A small r behind zero groups is above X(...) mod n by length but below it by value; such
  // halves once made the check subtract below zero and clear everything.
  const Digest digest = DigestFrom(23);
  std::mt19937_64 rng(1414);
  auto randomHex = [&rng](int groups) {
    std::string hex;
    for (int i = 0; i < 4 * groups; ++i) hex += "0123456789ABCDEF"[rng() % 16];
    return hex;
  };
  for (TMode mode : {TMode::Hex, TMode::Base64}) {
    SCOPED_TRACE(ModeName(mode));
    const std::string publicKey = Keys(mode).KeyPublic();
    const SignatureHalves good = Split(SignatureOf(mode, digest));
    // Seventeen zero groups and then 1, and 18 and then 1 (19 groups, still the value 1).
    for (int zeros : {17, 18}) {
      const std::string r =
          InMode(mode, std::string(4 * static_cast<std::size_t>(zeros), '0') + "0001");
      ExpectVerifies(mode, publicKey, r + ":" + good.s, digest, false);
    }
    for (int trial = 0; trial < 24; ++trial) {
      SCOPED_TRACE(trial);
      const std::string r = InMode(mode, "0000" + randomHex(1 + trial % 16));
      const std::string s = trial % 2 == 0 ? good.s : InMode(mode, "0000" + randomHex(16));
      ExpectVerifies(mode, publicKey, r + ":" + s, digest, false);
    }
  }
}

TEST_F(ZeroLedTextsTest, FuzzerFindingOnlySetsValidFalse) {
  // The component fuzzer's input fuzz/corpus/fuzz_component/zero_led_signature_half: Verify in
  // radix-64 mode with an r whose first characters read as zero.
  Digest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(7 * i);
  const std::string signature(
      "\x10\x00\x00\x00\x00\x00\x00\x00Yf5zDMY8sp\xff\xff"
      "CJ]1at0cALcbWPcCsv--e1:IjpZ7DiiteEPWOwCJ8Bdz1g5U5WWyONkBJzEjJt",
      82);
  TEllipticCurve c;
  c.SetIOMode(TMode::Base64);
  c.SetKeyPublic("EWftsfQ59wTPMYMk8rNspmcdwFGudTZ96xO8cvMAucE+");
  c.SetSignature(signature);
  Snapshot expected = Take(c);
  c.Verify(digest);
  EXPECT_EQ(Take(c), expected);
}

}  // namespace
}  // namespace eccrypt
