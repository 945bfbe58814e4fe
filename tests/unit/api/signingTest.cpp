// Signatures on digests through the library interface: the component verifies what the library
// signs and the reverse, in both forms; signatures are canonical; every malformed text is refused
// with its reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"
#include "support/apiSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;
using Digest = std::array<std::uint8_t, SignedDigestBytes>;

constexpr const char* kOrderHex =
    "0001026DD85081B82314691CED9BBEC30547840E4BF72D8B5E0D258442BBCD31";

Digest DigestOf(std::size_t seed) {
  Digest d{};
  for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(seed * 13 + i * 7);
  return d;
}

TEST(ApiSigningTest, TheComponentVerifiesLibrarySignaturesAndTheReverse) {
  for (std::size_t i = 0; i < 20; ++i) {
    const KeyPair signer = KeyPair::Generate().Value();
    const Digest digest = DigestOf(i);
    const Signature signature = SignDigest(digest, signer.Secret()).Value();
    ASSERT_TRUE(VerifyDigest(digest, signature, signer.PublicKey()).Ok());
    for (const TextForm form : BothForms) {
      TEllipticCurve component;
      component.SetIOMode(ModeOf(form));
      component.SetKeyPublic(signer.PublicKey().ToText(form));
      component.SetSignature(signature.ToText(form));
      component.Verify(digest);
      ASSERT_TRUE(component.Valid()) << FormName(form);
      ASSERT_EQ(Signature::Parse(signature.ToText(form)).Value(), signature);

      // The component's own signature, s unreduced: read, kept reduced, still verifying.
      component.SetKeySecret(signer.Secret().ExportText(form));
      component.Sign(digest);
      const Signature theirs = Signature::Parse(component.Signature()).Value();
      ASSERT_TRUE(VerifyDigest(digest, theirs, signer.PublicKey()).Ok()) << FormName(form);
      component.SetSignature(theirs.ToText(form));
      component.Verify(digest);
      ASSERT_TRUE(component.Valid()) << "canonical text of the component's signature";
    }
  }
}

TEST(ApiSigningTest, SignaturesAreCanonicalAndFresh) {
  const KeyPair signer = KeyPair::Generate().Value();
  const Digest digest = DigestOf(1);
  const Signature first = SignDigest(digest, signer.Secret()).Value();
  const Signature second = SignDigest(digest, signer.Secret()).Value();
  EXPECT_NE(first, second);
  // s below n: its hexadecimal text compares below n's, both zero-filled to 64 digits.
  for (const Signature* signature : {&first, &second}) {
    const std::string text = signature->ToText(TextForm::Hex);
    for (const std::string& half :
         {text.substr(0, text.find(':')), text.substr(text.find(':') + 1)}) {
      EXPECT_LT(std::string(64 - half.size(), '0') + half, std::string(kOrderHex)) << text;
    }
  }
}

TEST(ApiSigningTest, WrongDigestKeyOrLengthIsRefusedWithTheReason) {
  const KeyPair signer = KeyPair::Generate().Value();
  const KeyPair other = KeyPair::Generate().Value();
  const Digest digest = DigestOf(2);
  const Signature signature = SignDigest(digest, signer.Secret()).Value();
  Digest changed = digest;
  changed[19] ^= 1;
  EXPECT_EQ(VerifyDigest(changed, signature, signer.PublicKey()).Error().Code(),
            ErrorCode::BadSignature);
  EXPECT_EQ(VerifyDigest(digest, signature, other.PublicKey()).Error().Code(),
            ErrorCode::BadSignature);
  const std::vector<std::uint8_t> shortDigest(19);
  EXPECT_EQ(VerifyDigest(shortDigest, signature, signer.PublicKey()).Error().Code(),
            ErrorCode::WrongLength);
  EXPECT_EQ(SignDigest(shortDigest, signer.Secret()).Error().Code(), ErrorCode::WrongLength);
}

TEST(ApiSigningTest, ParseRefusesMalformedTextsWithTheReason) {
  const KeyPair signer = KeyPair::Generate().Value();
  const std::string good = SignDigest(DigestOf(3), signer.Secret()).Value().ToText(TextForm::Hex);
  const std::string r = good.substr(0, good.find(':')), s = good.substr(good.find(':') + 1);
  const std::string order = kOrderHex;
  struct Case {
    const char* name;
    std::string text;
    ErrorCode code;
  };
  const std::vector<Case> cases = {
      {"empty", "", ErrorCode::MissingSeparator},
      {"no colon", r + s, ErrorCode::MissingSeparator},
      {"colon alone", ":", ErrorCode::Empty},
      {"r empty", ":" + s, ErrorCode::Empty},
      {"s empty", r + ":", ErrorCode::Empty},
      {"second colon", r + ":" + s + ":", ErrorCode::BadCharacter},
      {"space", r + ": " + s, ErrorCode::BadCharacter},
      {"r with a leading zero group", "0000" + r + ":" + s, ErrorCode::NotCanonical},
      {"r = n", order + ":" + s, ErrorCode::OutOfRange},
      {"s = n", r + ":" + order, ErrorCode::MultipleOfOrder},
      {"s of 18 groups", r + ":0001" + std::string(68, '0'), ErrorCode::TooLong},
  };
  for (const Case& c : cases) {
    const Result<Signature> parsed = Signature::Parse(c.text);
    ASSERT_FALSE(parsed.Ok()) << c.name;
    EXPECT_EQ(parsed.Error().Code(), c.code) << c.name << ": " << parsed.Error().Message();
  }
  // s + n, as the component may write it, is the same signature.
  EXPECT_TRUE(Signature::Parse(good).Ok());
}

}  // namespace
}  // namespace eccrypt
