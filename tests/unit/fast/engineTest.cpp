// The fast engine against the reference behind TECCrypt: every primitive run under both
// engines on the same integers must write the same integers.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "ECCrypt/pk/engineChoice.h"
#include "support/curveSupport.h"
#include "support/fastSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

// Runs f under each engine and returns the two results; the fast engine stays selected after.
template <class F>
std::pair<std::string, std::string> UnderBoth(F f) {
  SelectEngine(TEngine::Reference);
  const std::string reference = f();
  SelectEngine(TEngine::Fast);
  const std::string fast = f();
  return {reference, fast};
}

// Compressed public keys: G, -G and random multiples.
std::vector<TvlPoint> PublicPoints() {
  std::mt19937_64 rng(11);
  TecPoint minusG;
  minusG.Subtract(testsupport::BasePoint());
  return {CompressedOf(testsupport::BasePoint()), CompressedOf(minusG),
          CompressedOf(testsupport::BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 240))),
          CompressedOf(testsupport::BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 64)))};
}

class FastEngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { TECCrypt().PrepareTables(); }
  void TearDown() override { SelectEngine(TEngine::Fast); }
};

TEST_F(FastEngineTest, FastIsTheDefault) {
  EXPECT_EQ(ActiveEngine(), TEngine::Fast);
}

TEST_F(FastEngineTest, MakePublicKeyMatches) {
  for (const auto& [name, x] : EdgeScalars(19)) {
    SCOPED_TRACE(name);
    const auto [reference, fast] = UnderBoth([&] {
      TvlPoint out;
      CryptKey(x).MakePublicKey(out);
      return HexOf(out);
    });
    EXPECT_EQ(fast, reference);
  }
}

TEST_F(FastEngineTest, EncryptAndDecryptSessionMatchAndAgree) {
  for (const TvlPoint& q : PublicPoints()) {
    for (const auto& [name, k] : EdgeScalars(19)) {
      SCOPED_TRACE(name);
      const auto [reference, fast] = UnderBoth([&] {
        TvlPoint exchanged, session, decrypted;
        CryptKey(q).EncryptSession(k, exchanged, session);
        return HexOf(exchanged) + ":" + HexOf(session);
      });
      EXPECT_EQ(fast, reference);
    }
  }
  // Both sides of an exchange under the fast engine, against the reference decryption.
  std::mt19937_64 rng(3);
  for (const auto& [name, x] : EdgeScalars(19)) {
    SCOPED_TRACE(name);
    const TvlPoint k = testsupport::RandomBelowPowerOfTwo(rng, 250);
    TvlPoint q, exchanged, session, decrypted, referenceDecrypted;
    CryptKey(x).MakePublicKey(q);
    if (q.IsZero()) continue;  // x a multiple of n: no key pair
    CryptKey(q).EncryptSession(k, exchanged, session);
    CryptKey(x).DecryptSession(exchanged, decrypted);
    EXPECT_EQ(HexOf(decrypted), HexOf(session));
    SelectEngine(TEngine::Reference);
    CryptKey(x).DecryptSession(exchanged, referenceDecrypted);
    SelectEngine(TEngine::Fast);
    EXPECT_EQ(HexOf(decrypted), HexOf(referenceDecrypted));
  }
}

TEST_F(FastEngineTest, DecryptSessionMatchesAndMayWriteOverItsInput) {
  for (const TvlPoint& e : PublicPoints()) {
    for (const auto& [name, x] : EdgeScalars(19)) {
      SCOPED_TRACE(name);
      const auto [reference, fast] = UnderBoth([&] {
        TvlPoint inPlace = e;
        CryptKey(x).DecryptSession(inPlace, inPlace);
        return HexOf(inPlace);
      });
      EXPECT_EQ(fast, reference);
    }
  }
}

TEST_F(FastEngineTest, MakeSignatureMatchesIncludingZeroR) {
  std::mt19937_64 rng(9);
  const TvlPoint x = testsupport::RandomBelowPowerOfTwo(rng, 250);
  std::vector<TvlPoint> digests = {testsupport::Small(20),
                                   testsupport::RandomBelowPowerOfTwo(rng, 192),
                                   testsupport::OrderPlus(-1)};
  for (const auto& [name, k] : EdgeScalars(18)) {
    // h := n - (X(k G) mod n) makes r zero: s must stay as it was passed.
    TvlPoint kg;
    SelectEngine(TEngine::Reference);
    testsupport::BaseMultiple(k).XToInteger(kg);
    auto h = testsupport::Order();
    BN_sub(h.get(), h.get(), testsupport::ToBignum(ModN(kg)).get());
    std::vector<TvlPoint> hs = digests;
    hs.push_back(testsupport::ModN(testsupport::FromBn(h)));
    for (const TvlPoint& hv : hs) {
      SCOPED_TRACE(name + " h=" + HexOf(hv));
      const auto [reference, fast] = UnderBoth([&] {
        TvlPoint r, s = testsupport::Small(777);
        CryptKey(x).MakeSignature(k, hv, r, s);
        return HexOf(r) + ":" + HexOf(s);
      });
      EXPECT_EQ(fast, reference);
    }
  }
}

TEST_F(FastEngineTest, SignaturesFromEitherEngineCheckUnderBoth) {
  std::mt19937_64 rng(21);
  const TvlPoint x = testsupport::RandomBelowPowerOfTwo(rng, 240);
  const TvlPoint k = testsupport::RandomBelowPowerOfTwo(rng, 270);
  const TvlPoint h = testsupport::RandomBelowPowerOfTwo(rng, 192);
  TvlPoint q, r, s;
  CryptKey(x).MakePublicKey(q);
  CryptKey(x).MakeSignature(k, h, r, s);
  TvlPoint otherH = h;
  otherH.Words[1] ^= 1;
  for (const TEngine engine : {TEngine::Reference, TEngine::Fast}) {
    SelectEngine(engine);
    EXPECT_TRUE(CryptKey(q).CheckSignature(h, r, s));
    EXPECT_FALSE(CryptKey(q).CheckSignature(otherH, r, s));
    EXPECT_TRUE(TECCrypt::IsCompressedGroupPoint(q));
    EXPECT_FALSE(TECCrypt::IsCompressedGroupPoint(testsupport::Small(1)));
  }
}

}  // namespace
}  // namespace eccrypt
