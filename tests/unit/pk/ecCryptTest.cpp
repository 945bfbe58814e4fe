// The public-key primitives: key pairs, session-key agreement, signatures and their checks,
// including the degenerate values the primitives compute with mechanically.
#include "ECCrypt/pk/ecCrypt.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <random>

#include "ECCrypt/curve/ecPoint.h"
#include "support/bignumOracle.h"
#include "support/curveSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

// v with `zeros` zero digits written above its top digit, as a text led by "0000" groups reads.
TvlPoint ZeroLed(const TvlPoint& v, int zeros) {
  TvlPoint led = v;
  for (int i = 0; i < zeros; ++i) {
    led.Words[static_cast<std::size_t>(led.Words[0]) + 1] = 0;
    ++led.Words[0];
  }
  return led;
}

// v + n * 2^(16 * digits): congruent to v, and longer.
TvlPoint PlusShiftedOrder(const TvlPoint& v, int digits) {
  TvlPoint n;
  n.LoadOrder(true);
  for (int i = 0; i < digits; ++i) n.ShiftLeft(16);
  TvlPoint sum = v;
  sum.Add(n);
  return sum;
}

TECCrypt PublicKeyOf(const TvlPoint& secret) {
  TvlPoint q;
  CryptKey(secret).MakePublicKey(q);
  return CryptKey(q);
}

class ECCryptTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { TECCrypt().PrepareTables(); }

  std::mt19937_64 rng_{2024};
  testsupport::BnCtxPtr ctx_{BN_CTX_new()};

  TvlPoint Random(int bits) { return testsupport::RandomBelowPowerOfTwo(rng_, bits); }

  // (a op b) mod n through the oracle.
  TvlPoint MulModN(const TvlPoint& a, const TvlPoint& b) {
    auto r = testsupport::NewBignum();
    BN_mod_mul(r.get(), ToBignum(a).get(), ToBignum(b).get(), Order().get(), ctx_.get());
    return FromBignum(r.get());
  }
};

TEST_F(ECCryptTest, PublicKeyOfOneIsTheBasePointAndOfZeroIsZero) {
  EXPECT_EQ(HexOf(PublicKeyOf(Small(1))), KnownBasePoint().compressed);
  EXPECT_TRUE(PublicKeyOf(Small(0)).IsZero());
}

TEST_F(ECCryptTest, BothSidesAgreeOnTheSessionKey) {
  const TvlPoint secret = Random(240);
  const TECCrypt publicKey = PublicKeyOf(secret);
  const TvlPoint k = Random(272);  // a nonce of 17 random digits

  TvlPoint exchanged, session;
  publicKey.EncryptSession(k, exchanged, session);
  EXPECT_TRUE(TecPoint::IsCompressedGroupPoint(exchanged));
  EXPECT_LE(session.BitLength(), 255);
  EXPECT_FALSE(session.IsZero());

  TvlPoint recovered = Small(12345);  // replaced, whatever it held
  CryptKey(secret).DecryptSession(exchanged, recovered);
  EXPECT_TRUE(recovered.Equal(session));

  // Another secret key recovers something else.
  TvlPoint other;
  CryptKey(Random(240)).DecryptSession(exchanged, other);
  EXPECT_FALSE(other.Equal(session));
}

TEST_F(ECCryptTest, ZeroValuesGiveZeroSessionKeys) {
  const TECCrypt publicKey = CryptKey(testsupport::IntFromHex(KnownBasePoint().compressed));
  TvlPoint exchanged, session;
  publicKey.EncryptSession(Small(0), exchanged, session);
  EXPECT_TRUE(exchanged.IsZero());
  EXPECT_TRUE(session.IsZero());

  TvlPoint out = Small(99);
  CryptKey(Random(240)).DecryptSession(Small(0), out);
  EXPECT_TRUE(out.IsZero());

  // The public key 1 is the point of order 2: every multiple has x = 0.
  TvlPoint exchanged1, session1;
  CryptKey(Small(1)).EncryptSession(Random(240), exchanged1, session1);
  EXPECT_TRUE(session1.IsZero());
}

TEST_F(ECCryptTest, SignaturesCheckOnlyWithTheirKeyDigestAndValues) {
  const TvlPoint secret = Random(240);
  const TECCrypt publicKey = PublicKeyOf(secret);
  const TvlPoint k = Random(272);
  const TvlPoint h = Random(160);

  TvlPoint r, s;
  CryptKey(secret).MakeSignature(k, h, r, s);
  ASSERT_FALSE(r.IsZero());
  EXPECT_TRUE(publicKey.CheckSignature(h, r, s));

  // s = k - (x r mod n), n added first when k is smaller: congruent, not reduced.
  const TvlPoint c = MulModN(secret, r);
  auto expected = testsupport::NewBignum();
  BN_sub(expected.get(), ToBignum(k).get(), ToBignum(c).get());
  if (BN_is_negative(expected.get())) BN_add(expected.get(), expected.get(), Order().get());
  EXPECT_TRUE(testsupport::SameValue(s, expected.get()));

  TvlPoint otherDigest = h;
  otherDigest.Add(Small(1));
  EXPECT_FALSE(publicKey.CheckSignature(otherDigest, r, s));
  EXPECT_FALSE(PublicKeyOf(Random(240)).CheckSignature(h, r, s));
  TvlPoint otherR = r;
  otherR.Words[1] ^= 4;
  EXPECT_FALSE(publicKey.CheckSignature(h, otherR, s));
  TvlPoint otherS = s;
  otherS.Words[1] ^= 4;
  EXPECT_FALSE(publicKey.CheckSignature(h, r, otherS));

  // s + n is congruent to s and checks as well.
  TvlPoint sPlusN = s;
  TvlPoint n;
  n.LoadOrder(true);
  sPlusN.Add(n);
  EXPECT_TRUE(publicKey.CheckSignature(h, r, sPlusN));
}

TEST_F(ECCryptTest, SmallNonceTakesTheOrderIntoTheDifference) {
  // k = 5 is smaller than x r mod n (almost surely): s = k + n - (x r mod n), below n.
  const TvlPoint secret = Random(240);
  const TvlPoint h = Random(160);
  TvlPoint r, s;
  CryptKey(secret).MakeSignature(Small(5), h, r, s);
  TvlPoint n;
  n.LoadOrder(true);
  EXPECT_TRUE(n.Greater(s));
  EXPECT_TRUE(PublicKeyOf(secret).CheckSignature(h, r, s));
}

TEST_F(ECCryptTest, NonceEqualToTheProductGivesZeroSAndStillChecks) {
  // Pick k and h, then the secret x = k / r mod n, so that x r mod n = k and s = 0.
  const TvlPoint k = Random(240);
  const TvlPoint h = Random(160);
  TvlPoint r, unused;
  CryptKey(Small(1)).MakeSignature(k, h, r, unused);  // r does not depend on the key

  auto inverse = testsupport::NewBignum();
  ASSERT_NE(BN_mod_inverse(inverse.get(), ToBignum(r).get(), Order().get(), ctx_.get()), nullptr);
  const TvlPoint secret = MulModN(k, FromBignum(inverse.get()));

  TvlPoint r2, s;
  CryptKey(secret).MakeSignature(k, h, r2, s);
  EXPECT_TRUE(r2.Equal(r));
  EXPECT_TRUE(s.IsZero());
  EXPECT_TRUE(PublicKeyOf(secret).CheckSignature(h, r, s));
}

TEST_F(ECCryptTest, NonceMultipleOfOrderMakesRTheDigest) {
  // k = 2n: k G is the zero point, r = h, and the signature still checks.
  TvlPoint k;
  k.LoadOrder(true);
  k.Add(k);
  const TvlPoint secret = Random(240);
  const TvlPoint h = Random(160);
  TvlPoint r, s;
  CryptKey(secret).MakeSignature(k, h, r, s);
  EXPECT_TRUE(r.Equal(h));
  EXPECT_TRUE(PublicKeyOf(secret).CheckSignature(h, r, s));
}

TEST_F(ECCryptTest, ZeroRLeavesSUnwrittenAndChecksOnlyForZeroDigest) {
  // h = n - (X(k G) mod n) makes r = 0.
  const TvlPoint k = Random(240);
  TvlPoint x;
  testsupport::BaseMultiple(k).XToInteger(x);
  auto h = testsupport::NewBignum();
  BN_nnmod(h.get(), ToBignum(x).get(), Order().get(), ctx_.get());
  BN_sub(h.get(), Order().get(), h.get());

  TvlPoint r, s = Small(77);
  CryptKey(Random(240)).MakeSignature(k, FromBignum(h.get()), r, s);
  EXPECT_TRUE(r.IsZero());
  EXPECT_TRUE(s.Equal(Small(77)));

  const TECCrypt publicKey = PublicKeyOf(Random(240));
  EXPECT_TRUE(publicKey.CheckSignature(Small(0), Small(0), Small(0)));
  EXPECT_FALSE(publicKey.CheckSignature(Small(1), Small(0), Small(0)));
}

TEST_F(ECCryptTest, SecretScalarsActModuloTheOrder) {
  // x + n and a 19-digit x + n * 2^48 give the points x gives; the nonce likewise gives the
  // same r, while s is made from the nonce as it was given.
  const TvlPoint secret = Random(240);
  const TvlPoint k = Random(272);
  const TvlPoint h = Random(160);
  const TECCrypt publicKey = PublicKeyOf(secret);
  TvlPoint exchanged, session, r, s;
  publicKey.EncryptSession(k, exchanged, session);
  CryptKey(secret).MakeSignature(k, h, r, s);

  for (const TvlPoint& congruent :
       {ZeroLed(secret, 2), PlusShiftedOrder(secret, 0), PlusShiftedOrder(secret, 3)}) {
    SCOPED_TRACE(congruent.Length());
    EXPECT_EQ(HexOf(PublicKeyOf(congruent)), HexOf(publicKey));
    TvlPoint recovered;
    CryptKey(congruent).DecryptSession(exchanged, recovered);
    EXPECT_TRUE(recovered.Equal(session));
    TvlPoint r2, s2;
    CryptKey(congruent).MakeSignature(k, h, r2, s2);
    EXPECT_TRUE(r2.Equal(r));
    EXPECT_TRUE(s2.Equal(s));
  }
  const TvlPoint longNonce = PlusShiftedOrder(k, 3);
  ASSERT_EQ(longNonce.Length(), TvlPoint::Capacity);
  TvlPoint exchanged2, session2, r2, s2;
  publicKey.EncryptSession(longNonce, exchanged2, session2);
  EXPECT_TRUE(exchanged2.Equal(exchanged));
  EXPECT_TRUE(session2.Equal(session));
  CryptKey(secret).MakeSignature(longNonce, h, r2, s2);
  EXPECT_TRUE(r2.Equal(r));
}

TEST_F(ECCryptTest, ZeroLedHalvesAreComparedByTheirValue) {
  const TvlPoint secret = Random(240);
  const TECCrypt publicKey = PublicKeyOf(secret);
  const TvlPoint h = Random(160);
  TvlPoint r, s;
  CryptKey(secret).MakeSignature(Random(272), h, r, s);
  ASSERT_LE(r.Length(), 16);
  ASSERT_LE(s.Length(), 17);

  // A good signature written with zero groups in front still checks.
  EXPECT_TRUE(publicKey.CheckSignature(h, ZeroLed(r, 18 - r.Length()), s));
  EXPECT_TRUE(publicKey.CheckSignature(h, r, ZeroLed(s, 18 - s.Length())));
  // Small wrong r behind many zero digits: X(...) mod n is above it by value, though not by
  // length; n is added first, so nothing goes below zero and the answer is false.
  std::mt19937_64 rng(14);
  for (int trial = 0; trial < 20; ++trial) {
    const TvlPoint wrongR =
        ZeroLed(testsupport::RandomBelowPowerOfTwo(rng, 16 * (trial % 16 + 1)), 1 + trial % 2);
    EXPECT_NO_THROW(EXPECT_FALSE(publicKey.CheckSignature(h, wrongR, s)));
  }
  EXPECT_NO_THROW(EXPECT_FALSE(publicKey.CheckSignature(h, ZeroLed(Small(1), 17), s)));
}

}  // namespace
}  // namespace eccrypt
