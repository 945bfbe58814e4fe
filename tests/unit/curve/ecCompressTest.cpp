// Point compression: the known form of G, the points with coordinates in GF(2^15), round trips,
// x values without a point, hostile lengths, and the check that a value is a multiple of G.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfTables.h"
#include "support/bignumOracle.h"
#include "support/curveSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

class EcCompressTest : public CurveTest {
 protected:
  // A compressed value (parity 0) whose x has no point: trace(x + b/x^2) = 1.
  static TvlPoint ValueWithoutPoint() {
    for (std::uint32_t x = 2;; ++x) {
      TecPoint probe;
      probe.x.AssignSmall(static_cast<std::int32_t>(x));
      if (!probe.RecoverY(0)) return Small(2 * x);
    }
  }

  // A point of the subgroup with coordinates in GF(2^15) that is neither zero nor of order 2.
  static TecPoint SmallSubgroupPoint() { return UnitPoint(CurveCbrtB, CurveCbrtB); }
};

TEST_F(EcCompressTest, BaseCompressesToItsKnownForm) {
  const TecPoint g = Base();
  EXPECT_EQ(g.ParityBit(), 1);
  EXPECT_EQ(HexOf(CompressedOf(g)), KnownBasePoint().compressed);

  TvlPoint x;
  g.XToInteger(x);
  EXPECT_EQ(HexOf(x), KnownBasePoint().x);

  TecPoint back;
  back.Decompress(IntFromHex(KnownBasePoint().compressed));
  EXPECT_TRUE(PointsEqual(back, g));
}

TEST_F(EcCompressTest, PointsWithCoordinatesInTheSubfield) {
  struct Case {
    std::int32_t x, y;         // the point
    std::uint32_t compressed;  // its compressed form
    std::int32_t decodedY;     // y after decompressing that form
  };
  // x^3 = b at x = 2616: y is 0 whatever the parity, so 5233 comes back as (2616, 0).
  const Case cases[] = {
      {0, 0, 0, 0},
      {0, CurveSqrtB, 1, CurveSqrtB},
      {CurveCbrtB, 0, 5232, 0},
      {CurveCbrtB, CurveCbrtB, 5233, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("point (" + std::to_string(c.x) + ", " + std::to_string(c.y) + ")");
    const TecPoint p = UnitPoint(c.x, c.y);
    EXPECT_TRUE(p.IsZero() || p.OnCurve());
    EXPECT_TRUE(CompressedOf(p).Equal(Small(c.compressed)));

    TecPoint decoded = Base();  // holds coordinates that must all be replaced
    decoded.Decompress(Small(c.compressed));
    EXPECT_TRUE(PointsEqual(decoded, UnitPoint(c.x, c.decodedY)));
  }
  EXPECT_EQ(UnitPoint(0, CurveSqrtB).ParityBit(), 0);

  TvlPoint x;
  UnitPoint(0, CurveSqrtB).XToInteger(x);
  EXPECT_TRUE(x.IsZero());
}

TEST_F(EcCompressTest, MultiplesRoundTripAndTheOtherParityIsTheNegative) {
  std::mt19937_64 rng(42);
  const TecPoint points[] = {Base(), BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 240))};
  for (const TecPoint& p : points) {
    const TvlPoint v = CompressedOf(p);
    const TvlPoint vBefore = v;
    TecPoint back;
    back.Decompress(v);
    EXPECT_TRUE(PointsEqual(back, p));
    EXPECT_TRUE(v.Equal(vBefore));

    TvlPoint flipped = v;
    flipped.Words[1] ^= 1;
    TecPoint negative;
    negative.Decompress(flipped);
    TecPoint expected;
    expected.x.CopyFrom(p.x);
    expected.y.Add(p.x, p.y);
    EXPECT_TRUE(PointsEqual(negative, expected));
  }
}

TEST_F(EcCompressTest, XWithoutAPointKeepsThePreviousY) {
  const TvlPoint v = ValueWithoutPoint();
  TecPoint p = Base();
  p.Decompress(v);
  TvlPoint x;
  p.XToInteger(x);
  TvlPoint half = v;
  half.ShiftRight(1);
  EXPECT_TRUE(x.Equal(half));
  EXPECT_TRUE(p.y.Equal(Base().y));

  TecPoint fresh;
  fresh.Decompress(v);
  EXPECT_EQ(fresh.y.UnitCount(), 0);
}

TEST_F(EcCompressTest, ValuesOfTwoToThe256OrMoreAreRefusedByValueNotLength) {
  TvlPoint twoTo256;
  twoTo256.Words[0] = 17;
  twoTo256.Words[17] = 1;
  TvlPoint longest;
  longest.Words[0] = TvlPoint::Capacity;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) longest.Words[i] = 0xFFFF;

  for (const TvlPoint& v : {twoTo256, longest}) {
    TecPoint p = Base();
    EXPECT_THROW(p.Decompress(v), std::out_of_range);
    EXPECT_FALSE(TecPoint::IsCompressedGroupPoint(v));
  }
  // The largest 16-digit value still decodes (into some x, with or without a point).
  TvlPoint below;
  below.Words[0] = 16;
  for (std::size_t i = 1; i <= 16; ++i) below.Words[i] = 0xFFFF;
  TecPoint p;
  EXPECT_NO_THROW(p.Decompress(below));

  // Zero digits above the 16th, as a text led by "0000" groups gives them, are the same value.
  for (const std::int32_t length : {17, TvlPoint::Capacity}) {
    SCOPED_TRACE(length);
    TvlPoint zeroLed = IntFromHex(KnownBasePoint().compressed);
    for (std::int32_t i = zeroLed.Length() + 1; i <= length; ++i) {
      zeroLed.Words[static_cast<std::size_t>(i)] = 0;
    }
    zeroLed.Words[0] = length;
    TecPoint q;
    q.Decompress(zeroLed);
    EXPECT_TRUE(PointsEqual(q, Base()));
    EXPECT_TRUE(TecPoint::IsCompressedGroupPoint(zeroLed));
  }
}

TEST_F(EcCompressTest, GroupPointCheckAcceptsOnlyNonzeroMultiplesOfBase) {
  std::mt19937_64 rng(7);
  const TecPoint multiple = BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 240));
  EXPECT_TRUE(TecPoint::IsCompressedGroupPoint(IntFromHex(KnownBasePoint().compressed)));
  EXPECT_TRUE(TecPoint::IsCompressedGroupPoint(CompressedOf(multiple)));

  // A multiple of G plus a point of the small subgroup lies on the curve but outside <G>.
  TecPoint shifted = multiple;
  shifted.Add(SmallSubgroupPoint());
  ASSERT_TRUE(shifted.OnCurve());
  TecPoint shiftedByOrderTwo = multiple;
  shiftedByOrderTwo.Add(UnitPoint(0, CurveSqrtB));

  const struct {
    const char* what;
    TvlPoint value;
  } refused[] = {
      {"zero point", Small(0)},
      {"point of order 2", Small(1)},
      {"(2616, 0)", Small(5232)},
      {"(2616, 2616), decoded as (2616, 0)", Small(5233)},
      {"x without a point", ValueWithoutPoint()},
      {"multiple of G plus a small-subgroup point", CompressedOf(shifted)},
      {"multiple of G plus the point of order 2", CompressedOf(shiftedByOrderTwo)},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.what);
    EXPECT_FALSE(TecPoint::IsCompressedGroupPoint(r.value));
  }
}

}  // namespace
}  // namespace eccrypt
