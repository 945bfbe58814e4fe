// What a signature binds and what it does not, as ECCrypt.h states it: Verify accepts s + m n
// for the signed s, and digests that the folding maps to one integer share their signatures.
#include <gtest/gtest.h>

#include <string>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/text/hexText.h"
#include "support/componentSupport.h"

namespace eccrypt::testsupport {
namespace {

using SignatureContractTest = ComponentTest;

TEST_F(SignatureContractTest, VerifyAcceptsSPlusMultiplesOfTheOrder) {
  TEllipticCurve signer;
  signer.SetIOMode(TMode::Hex);
  signer.SetPassPhrase("malleable in s");
  signer.MakeKey();
  const Digest digest = DigestFrom(7);
  signer.Sign(digest);
  const std::string signature = signer.Signature();
  const std::size_t colon = signature.find(':');
  ASSERT_NE(colon, std::string::npos);

  TvlPoint s, order;
  HexToInteger(signature.substr(colon + 1), s);
  order.LoadOrder(true);
  for (int m = 1; m <= 3; ++m) {
    s.Add(order);
    TEllipticCurve verifier;
    verifier.SetIOMode(TMode::Hex);
    verifier.SetKeyPublic(signer.KeyPublic());
    verifier.SetSignature(signature.substr(0, colon + 1) + IntegerToHex(s));
    verifier.Verify(digest);
    EXPECT_TRUE(verifier.Valid()) << "s + " << m << " n";
  }
}

TEST_F(SignatureContractTest, DigestsFoldingAlikeShareSignatures) {
  // Bytes 1 and 2 enter through (3 d1 + 2)(3 d2 + 1): (2, 0) and (0, 1) both give 8.
  Digest first = DigestFrom(40), second = first;
  first[1] = 2;
  first[2] = 0;
  second[1] = 0;
  second[2] = 1;
  TEllipticCurve signer;
  signer.SetPassPhrase("collapsing digests");
  signer.MakeKey();
  signer.Sign(first);
  TEllipticCurve verifier;
  verifier.SetKeyPublic(signer.KeyPublic());
  verifier.SetSignature(signer.Signature());
  verifier.Verify(second);
  EXPECT_TRUE(verifier.Valid()) << "only hash outputs should be signed";
}

}  // namespace
}  // namespace eccrypt::testsupport
