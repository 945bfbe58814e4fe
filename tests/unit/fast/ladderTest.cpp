// The x-only ladder and the fixed-base windows against the reference multiplication, on edge
// scalars (0, n and its neighbours, multiples of n, all-ones, every digit count) and points.
#include "ECCrypt/fast/ladder.h"

#include <gtest/gtest.h>

#include <openssl/bn.h>

#include <random>

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/fast/fixedBase.h"
#include "support/curveSupport.h"
#include "support/fastSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

// Points of <G> the ladder starts from: G, -G and random multiples.
std::vector<TecPoint> StartPoints() {
  std::mt19937_64 rng(5);
  TecPoint minusG;
  minusG.Subtract(BasePoint());
  return {BasePoint(), minusG, BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 240)),
          BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 128))};
}

// k * p by the reference, with k reduced first (the reference refuses 19-digit scalars).
TecPoint Reference(const TecPoint& p, const TvlPoint& k) {
  TecPoint r = p;
  r.Multiply(ModN(k));
  return r;
}

TEST(FastLadderTest, FullPointMatchesReferenceOnEdgeScalars) {
  for (const TecPoint& p : StartPoints()) {
    for (const auto& [name, k] : EdgeScalars(19)) {
      SCOPED_TRACE(name);
      fast::AffinePoint r;
      fast::LadderPoint(r, ToFast(p), ReducedScalar(k));
      const TecPoint expected = Reference(p, k);
      EXPECT_TRUE(PointsEqual(ToReference(r), expected));
      EXPECT_EQ(r.infinity, expected.IsZero() ? ~std::uint64_t{0} : 0);
    }
  }
}

TEST(FastLadderTest, XOnlyMatchesReferenceAndGivesZeroForMultiplesOfN) {
  for (const TecPoint& p : StartPoints()) {
    for (const auto& [name, k] : EdgeScalars(19)) {
      SCOPED_TRACE(name);
      fast::Fe x;
      fast::LadderX(x, ToFast(p).x, ReducedScalar(k));
      TvlPoint got, expected;
      fast::XToInteger(got, x);
      Reference(p, k).XToInteger(expected);
      EXPECT_EQ(testsupport::HexOf(got), testsupport::HexOf(expected));
    }
  }
}

// k = n - 1 makes the ladder's second output the zero point, and k = 1 makes its first one P:
// the y recovery's two exceptional cases.
TEST(FastLadderTest, RecoversYWhenTheSecondOutputIsZero) {
  const TecPoint g = BasePoint();
  fast::AffinePoint r;
  fast::LadderPoint(r, ToFast(g), ReducedScalar(testsupport::OrderPlus(-1)));
  TecPoint minusG;
  minusG.Subtract(g);
  EXPECT_TRUE(PointsEqual(ToReference(r), minusG));
  EXPECT_EQ(r.infinity, 0U);
}

TEST(FastFixedBaseTest, MatchesReferenceOnEdgeScalars) {
  for (const auto& [name, k] : EdgeScalars(19)) {
    SCOPED_TRACE(name);
    fast::AffinePoint r;
    fast::BaseMultiply(r, ReducedScalar(k));
    const TecPoint expected = Reference(BasePoint(), k);
    EXPECT_TRUE(PointsEqual(ToReference(r), expected));
    EXPECT_EQ(r.infinity, expected.IsZero() ? ~std::uint64_t{0} : 0);
  }
}

// Every window read at every magnitude and sign: k = sum of e * 32^w over windows 0..47 for each
// signed digit e (+1..+16, and -1..-15 with 32^48 added to keep k positive), so that each table
// entry is used, negated and not.
TEST(FastFixedBaseTest, EveryTableEntryIsRightEitherSign) {
  for (int e = -15; e <= 16; ++e) {
    if (e == 0) continue;
    auto k = testsupport::NewBignum();
    auto power = testsupport::NewBignum();
    BN_one(power.get());
    for (int w = 0; w < 48; ++w) {
      auto term = testsupport::NewBignum();
      BN_copy(term.get(), power.get());
      BN_mul_word(term.get(), static_cast<BN_ULONG>(e < 0 ? -e : e));
      if (e < 0) {
        BN_sub(k.get(), k.get(), term.get());
      } else {
        BN_add(k.get(), k.get(), term.get());
      }
      BN_lshift(power.get(), power.get(), 5);
    }
    if (e < 0) BN_add(k.get(), k.get(), power.get());  // + 32^48
    SCOPED_TRACE(e);
    const TvlPoint kv = testsupport::FromBn(k);
    fast::AffinePoint r;
    fast::BaseMultiply(r, ReducedScalar(kv));
    EXPECT_TRUE(PointsEqual(ToReference(r), Reference(BasePoint(), kv)));
  }
}

}  // namespace
}  // namespace eccrypt
