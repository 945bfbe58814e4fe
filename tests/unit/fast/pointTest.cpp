// The complete mixed addition against the reference group law, on the cases the fixed-base
// windows never produce but the addition must still get right: equal points (the doubling),
// opposite points, the zero point on either side; p given with Z other than 1.
#include "ECCrypt/fast/point.h"

#include <gtest/gtest.h>

#include <random>

#include "ECCrypt/curve/ecPoint.h"
#include "support/curveSupport.h"
#include "support/fastSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

// p in López–Dahab form scaled by a nonzero z: (x z, y z^2, z).
fast::LdPoint Scaled(const TecPoint& p, std::uint64_t seed) {
  fast::LdPoint r;
  fast::LdFromAffine(r, ToFast(p));
  const fast::Fe z{{seed, seed * 3 + 1, seed ^ 0x5555, 7}};
  fast::Fe z2;
  fast::FeSqr(z2, z);
  fast::FeMul(r.X, r.X, z);
  fast::FeMul(r.Y, r.Y, z2);
  fast::FeMul(r.Z, r.Z, z);
  return r;
}

TecPoint Sum(const fast::LdPoint& p, const TecPoint& q) {
  fast::LdPoint r;
  fast::LdAddAffine(r, p, ToFast(q));
  fast::AffinePoint a;
  fast::LdToAffine(a, r);
  return ToReference(a);
}

TEST(FastPointTest, CompleteAdditionMatchesTheReferenceInEveryCase) {
  std::mt19937_64 rng(17);
  const TecPoint p = BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 240));
  const TecPoint q = BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 240));
  TecPoint minusP;
  minusP.Subtract(p);
  const TecPoint zero;
  struct Case {
    const char* name;
    TecPoint left, right;
  };
  for (const Case& c :
       {Case{"general", p, q}, Case{"equal", p, p}, Case{"opposite", p, minusP},
        Case{"zero + q", zero, q}, Case{"p + zero", p, zero}, Case{"zero + zero", zero, zero}}) {
    SCOPED_TRACE(c.name);
    TecPoint expected = c.left;
    expected.Add(c.right);
    const fast::LdPoint left = c.left.IsZero()
                                   ? fast::LdPoint{fast::FeOne, fast::FeZero, fast::FeZero}
                                   : Scaled(c.left, 99);
    EXPECT_TRUE(PointsEqual(Sum(left, c.right), expected));
  }
}

TEST(FastPointTest, CompressionMatchesTheReference) {
  std::mt19937_64 rng(23);
  const TecPoint zero;
  const TecPoint orderTwo = testsupport::UnitPoint(0, 3097);  // (0, sqrt(b))
  for (const TecPoint& p : {BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 240)),
                            testsupport::BasePoint(), zero, orderTwo}) {
    fast::AffinePoint a = ToFast(p);
    TvlPoint got, gotProjective;
    fast::CompressToInteger(got, a);
    EXPECT_EQ(testsupport::HexOf(got), testsupport::HexOf(testsupport::CompressedOf(p)));
    const fast::LdPoint projective =
        p.IsZero() ? fast::LdPoint{fast::FeOne, fast::FeZero, fast::FeZero} : Scaled(p, 5);
    fast::CompressLdToInteger(gotProjective, projective);
    EXPECT_EQ(testsupport::HexOf(gotProjective), testsupport::HexOf(got));
    fast::Fe x;
    fast::XFromCompressed(x, got);
    TvlPoint xGot, xExpected;
    fast::XToInteger(xGot, x);
    p.XToInteger(xExpected);
    EXPECT_EQ(testsupport::HexOf(xGot), testsupport::HexOf(xExpected));
  }
}

}  // namespace
}  // namespace eccrypt
