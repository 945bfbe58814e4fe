// Properties over many random pass phrases and digests, in both text forms: every signature
// verifies, signing one digest again never repeats r (each nonce is fresh), and every Encrypt
// decrypts to its own session key on a second component holding only the secret key.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>

#include "ECCrypt/ECCrypt.h"
#include "support/stressSupport.h"

namespace eccrypt::testsupport {
namespace {

std::string RHalf(const std::string& signature) {
  return signature.substr(0, signature.find(':'));
}

TEST(Properties, RandomPassPhrasesAndDigestsSignVerifyAndExchange) {
  MessageCounter messages;
  std::mt19937_64 rng(20240531);
  const int keys = Rounds(64, 8);
  const int signaturesPerDigest = 3;

  for (int i = 0; i < keys; ++i) {
    const TMode mode = i % 2 == 0 ? TMode::Hex : TMode::Base64;
    const std::string passPhrase = RandomPassPhrase(rng);
    SCOPED_TRACE("key " + std::to_string(i) + ", pass phrase of " +
                 std::to_string(passPhrase.size()) + " bytes");
    TEllipticCurve owner;
    owner.SetIOMode(mode);
    owner.SetPassPhrase(passPhrase);
    owner.MakeKey();
    ASSERT_TRUE(owner.Valid());

    // Signatures of one digest: each verifies, and no two share r.
    const Digest digest = RandomDigest(rng);
    std::set<std::string> rTexts;
    for (int k = 0; k < signaturesPerDigest; ++k) {
      owner.Sign(digest);
      ASSERT_FALSE(owner.Signature().empty());
      rTexts.insert(RHalf(owner.Signature()));
      TEllipticCurve verifier;
      verifier.SetIOMode(mode);
      verifier.SetKeyPublic(owner.KeyPublic());
      verifier.SetSignature(owner.Signature());
      verifier.Verify(digest);
      EXPECT_TRUE(verifier.Valid()) << owner.Signature();
    }
    EXPECT_EQ(rTexts.size(), static_cast<std::size_t>(signaturesPerDigest));

    // Encrypt to the public key; the holder of the secret key alone recovers the session key.
    TEllipticCurve sender;
    sender.SetIOMode(mode);
    sender.SetKeyPublic(owner.KeyPublic());
    sender.Encrypt();
    ASSERT_FALSE(sender.KeySession().empty());
    TEllipticCurve receiver;
    receiver.SetIOMode(mode);
    receiver.SetKeySecret(owner.KeySecret());
    receiver.SetExchangedValue(sender.ExchangedValue());
    receiver.Decrypt();
    EXPECT_EQ(receiver.KeySession(), sender.KeySession());
  }
  EXPECT_EQ(messages.Count(), 0);
}

}  // namespace
}  // namespace eccrypt::testsupport
