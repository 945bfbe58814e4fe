// Sign and Verify through the component's properties: the folding of the digest, round trips in
// both text forms, changed digests and signature halves, and the splitting of the signature
// text.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/digestToInteger.h"
#include "ECCrypt/text/hexText.h"
#include "support/componentSupport.h"
#include "support/vectorFile.h"

namespace eccrypt {
namespace {

using namespace testsupport;

TEST(DigestToIntegerTest, FoldsTheCheckValues) {
  for (const testsupport::TVectorRecord& c : testsupport::ReadVectorFile("digestToInteger.vec")) {
    const std::vector<std::uint8_t> digest =
        testsupport::BytesFromHex(testsupport::Field(c, "digest"));
    ASSERT_EQ(digest.size(), Digest{}.size());
    TvlPoint h, h0;
    DigestToInteger(digest.data(), h, h0);
    EXPECT_EQ(IntegerToHex(h), testsupport::Field(c, "integer"));
    EXPECT_EQ(h0.Length(), 1);  // d0 + 1, added after every step
    EXPECT_EQ(h0.Words[1], digest[0] + 1);
  }
}

// One key pair per mode, made once for the suite.
class EllipticCurveSignatureTest : public KeyPairPerModeTest<EllipticCurveSignatureTest> {
 public:
  static constexpr const char* PassPhrase = "signing key";

 protected:
  // A component holding the key pair of mode and a signature of digest, Valid true.
  static void Signed(TEllipticCurve& c, TMode mode, const Digest& digest) {
    c.SetIOMode(mode);
    c.SetKeyPublic(Keys(mode).KeyPublic());
    c.SetKeySecret(Keys(mode).KeySecret());
    c.SetValid(true);
    c.Sign(digest);
  }
};

TEST_F(EllipticCurveSignatureTest, SignedDigestsVerifyInEitherMode) {
  const Digest digest = DigestFrom(40);
  for (TMode mode : {TMode::Hex, TMode::Base64}) {
    SCOPED_TRACE(ModeName(mode));
    TEllipticCurve signer;
    testsupport::FillAll(signer, mode);
    Snapshot expected = Take(signer);
    Signed(signer, mode, digest);
    expected.KeyPublic = signer.KeyPublic();
    expected.KeySecret = signer.KeySecret();
    expected.Signature = signer.Signature();
    EXPECT_EQ(Take(signer), expected);  // nothing else written, Valid true stays true
    const std::string signature = signer.Signature();
    const std::size_t colon = signature.find(':');
    ASSERT_NE(colon, std::string::npos);
    EXPECT_EQ(signature.find(':', colon + 1), std::string::npos);
    if (mode == TMode::Hex) {
      EXPECT_EQ(colon % 4, 0u);
      EXPECT_EQ((signature.size() - colon - 1) % 4, 0u);
      EXPECT_EQ(signature.find_first_not_of("0123456789ABCDEF:"), std::string::npos);
    }

    TEllipticCurve verifier;
    testsupport::FillAll(verifier, mode);
    verifier.SetValid(false);
    verifier.SetKeyPublic(Keys(mode).KeyPublic());
    verifier.SetSignature(signature);
    EXPECT_TRUE(VerifySetsOnlyValid(verifier, digest, true));

    // A second signature of the same digest differs (a new nonce) and verifies too.
    signer.Sign(digest);
    EXPECT_NE(signer.Signature(), signature);
    verifier.SetSignature(signer.Signature());
    verifier.SetValid(false);
    verifier.Verify(digest);
    EXPECT_TRUE(verifier.Valid());
  }
}

TEST_F(EllipticCurveSignatureTest, ChangedDigestOrSignatureOnlySetsValidFalse) {
  const Digest digest = DigestFrom(7);
  for (TMode mode : {TMode::Hex, TMode::Base64}) {
    SCOPED_TRACE(ModeName(mode));
    TEllipticCurve c;
    Signed(c, mode, digest);
    c.SetKeySession("session");
    c.SetExchangedValue("exchanged");
    const std::string signature = c.Signature();
    const std::size_t colon = signature.find(':');

    // A character in the middle of r or of s, replaced by another of both alphabets. ':' and
    // '#' read as 0 in radix-64, so they replace a character that is not '+', the one of value
    // 0 (hex texts have none): every case changes the value, whatever the nonce drew.
    auto changedAt = [&](std::size_t i, char to = 0) {
      std::string changed = signature;
      changed[i] = to != 0 ? to : changed[i] == 'A' ? 'B' : 'A';
      return changed;
    };
    auto notZeroFrom = [&](std::size_t i, std::size_t end) {
      while (i < end && signature[i] == '+') ++i;
      return i;
    };
    const std::size_t middleOfR = notZeroFrom(colon / 2, colon);
    const std::size_t middleOfS =
        notZeroFrom(colon + 1 + (signature.size() - colon) / 2, signature.size());
    ASSERT_LT(middleOfR, colon);
    ASSERT_LT(middleOfS, signature.size());
    Digest otherDigest = digest;
    otherDigest[19] ^= 1;
    struct Case {
      const char* what;
      std::string signature;
      Digest digest;
    };
    const Case cases[] = {
        {"changed digest byte", signature, otherDigest},
        {"changed r", changedAt(middleOfR), digest},
        {"changed s", changedAt(middleOfS), digest},
        // Not a hexadecimal digit in Hex mode, the value 0 in radix-64.
        {"a second colon inside s", changedAt(middleOfS, ':'), digest},
        {"a character of neither alphabet in r", changedAt(middleOfR, '#'), digest},
        {"no colon: r = 0, s = the whole text", signature.substr(colon + 1), digest},
        {"colon alone: r = s = 0", ":", digest},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.what);
      c.SetSignature(k.signature);
      c.SetValid(true);
      EXPECT_TRUE(VerifySetsOnlyValid(c, k.digest, false));
    }
  }
}

TEST_F(EllipticCurveSignatureTest, SignatureHalvesTooLongForTheArithmetic) {
  // 19 digits: a text the integer record holds, but no signature: Valid false, nothing cleared.
  // 20 digits: more than an integer holds, so the text is refused like any over-long text.
  const std::string digits19(19 * 4, 'F');
  const std::string digits20(20 * 4, 'F');
  const Digest digest = DigestFrom(1);
  TEllipticCurve c;
  Signed(c, TMode::Hex, digest);
  const std::string signature = c.Signature();
  const std::size_t colon = signature.find(':');
  const std::string r = signature.substr(0, colon), s = signature.substr(colon + 1);

  for (const std::string& bad : {digits19 + ":" + s, r + ":" + digits19}) {
    c.SetSignature(bad);
    c.SetValid(true);
    EXPECT_TRUE(VerifySetsOnlyValid(c, digest, false));
  }
  for (const std::string& bad : {digits20 + ":" + s, r + ":" + digits20}) {
    c.SetSignature(bad);
    c.SetKeySecret(Keys(TMode::Hex).KeySecret());
    c.SetValid(true);
    c.Verify(digest);
    EXPECT_EQ(Take(c), EmptyIn(TMode::Hex));
  }
}

}  // namespace
}  // namespace eccrypt
