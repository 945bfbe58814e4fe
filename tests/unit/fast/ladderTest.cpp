// The x-only ladder and the fixed-base windows against the reference multiplication, on edge
// scalars (0, n and its neighbours, multiples of n, all-ones, every digit count) and points.
#include "ECCrypt/fast/ladder.h"

#include <gtest/gtest.h>

#include <openssl/bn.h>

#include <random>

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/fast/fixedBase.h"
#include "ECCrypt/fast/verifyTables.h"
#include "support/curveSupport.h"
#include "support/fastSupport.h"
#include "support/fieldPaths.h"

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

// k lambda^j + m mod n for small j, m: scalars whose halves k1, k2 are zero, one, minus one or
// small, where the two ladders and the sum meet their edge cases.
std::vector<TvlPoint> SplitEdgeScalars() {
  BnPtr lambda = NewBignum();
  for (int w = 3; w >= 0; --w) {
    BN_lshift(lambda.get(), lambda.get(), 64);
    BN_add_word(lambda.get(), fast::kEigenvalue[w]);
  }
  const BnPtr n = Order();
  BnCtxPtr ctx(BN_CTX_new());
  std::vector<TvlPoint> out;
  for (long m : {0L, 1L, -1L, 2L}) {
    for (int sign : {1, -1}) {
      BnPtr k = NewBignum();
      BN_copy(k.get(), lambda.get());
      if (sign < 0) BN_sub(k.get(), n.get(), k.get());
      if (m >= 0) BN_add_word(k.get(), static_cast<BN_ULONG>(m));
      if (m < 0) BN_sub_word(k.get(), static_cast<BN_ULONG>(-m));
      BN_nnmod(k.get(), k.get(), n.get(), ctx.get());
      out.push_back(FromBn(k));
    }
  }
  return out;
}

// The split ladder gives LadderX's x on every field path (two ladders in one loop or one by one),
// for the edge scalars and for those that make one half zero or a unit.
TEST(FastLadderTest, SplitMatchesReferenceOnEveryPath) {
  std::vector<TvlPoint> scalars = SplitEdgeScalars();
  for (const auto& [name, k] : EdgeScalars(19)) scalars.push_back(k);
  for (const char* path : {"portable", "pclmulqdq", "vpclmulqdq", "lanes"}) {
    const FieldPathScope scope(path);
    if (!scope.Selected()) continue;
    SCOPED_TRACE(path);
    for (const TecPoint& p : StartPoints()) {
      for (const TvlPoint& k : scalars) {
        fast::Fe x;
        fast::LadderXSplit(x, ToFast(p), ReducedScalar(k));
        TvlPoint got, expected;
        fast::XToInteger(got, x);
        Reference(p, k).XToInteger(expected);
        ASSERT_EQ(HexOf(got), HexOf(expected)) << HexOf(k);
      }
    }
  }
}

// x(p + q) in every case: a zero point on either side or both, equal points, opposite points.
TEST(FastLadderTest, SumXCoversEqualOppositeAndZeroPoints) {
  std::mt19937_64 rng(8);
  const TecPoint a = BaseMultiple(RandomBelowPowerOfTwo(rng, 200));
  const TecPoint b = BaseMultiple(RandomBelowPowerOfTwo(rng, 200));
  TecPoint zero;
  zero.Subtract(zero);
  // A projective form with Z other than 1: (x z, y z^2, z).
  const auto projective = [](const TecPoint& p) {
    fast::LdPoint r;
    const fast::AffinePoint q = ToFast(p);
    if (p.IsZero()) return fast::LdZero;
    const fast::Fe z{{3, 5, 7, 11}};
    fast::Fe z2;
    fast::FeSqr(z2, z);
    fast::FeMul(r.X, q.x, z);
    fast::FeMul(r.Y, q.y, z2);
    r.Z = z;
    return r;
  };
  const std::pair<TecPoint, TecPoint> cases[] = {{a, b},    {a, a},    {a, Negated(a)},
                                                 {a, zero}, {zero, b}, {zero, zero}};
  for (const auto& [p, q] : cases) {
    fast::Fe x, z, zi;
    fast::LdSumX(x, z, projective(p), projective(q));
    fast::FeInvert(zi, z);
    fast::FeMul(x, x, zi);
    TecPoint sum = p;
    sum.Add(q);
    TvlPoint got, expected;
    fast::XToInteger(got, x);
    sum.XToInteger(expected);
    EXPECT_EQ(HexOf(got), HexOf(expected));
  }
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
