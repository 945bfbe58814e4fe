// Decompression and the group check of the fast engine against the reference (TecPoint's
// Decompress and its n * P definition of the group check), class by class: 0 and 1, multiples
// of G and their negatives, points of E(GF(2^15)), their sums with multiples of G, x without a
// point, zero-led and over-long values, random values.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "ECCrypt/fast/publicVartime.h"
#include "ECCrypt/params/curveParameters.h"
#include "support/fastSupport.h"

namespace eccrypt::fast {
namespace {

using testsupport::CompressedOf;

struct Case {
  std::string name;
  TvlPoint v;
};

// The reference's decoding: whether v names a curve point, and which. Where no point has the
// decoded x, Decompress keeps the previous y (here 0), which is off the curve.
bool ReferenceDecode(const TvlPoint& v, TecPoint& p) {
  p = TecPoint{};
  try {
    p.Decompress(v);
  } catch (const std::out_of_range&) {
    return false;  // 2^256 or more
  }
  return p.IsZero() || p.OnCurve();
}

TvlPoint ZeroLed(const TvlPoint& v, std::int32_t length) {
  TvlPoint r;
  r.CopyFrom(v);
  for (std::int32_t i = v.Length() + 1; i <= length; ++i) r.Words[static_cast<std::size_t>(i)] = 0;
  r.Words[0] = length;
  return r;
}

std::vector<Case> Cases() {
  std::mt19937_64 rng(14);
  std::vector<Case> cases = {{"zero", TvlPoint{}},
                             {"one (order 2)", testsupport::Small(1)},
                             {"two (x = 1)", testsupport::Small(2)},
                             {"x^3 = b, parity 0", testsupport::Small(2 * CurveCbrtB)},
                             {"x^3 = b, parity 1", testsupport::Small(2 * CurveCbrtB + 1)}};
  const TecPoint g = testsupport::BasePoint();
  cases.push_back({"G", CompressedOf(g)});
  cases.push_back({"-G", CompressedOf(testsupport::Negated(g))});
  cases.push_back({"G zero-led to 17 digits", ZeroLed(CompressedOf(g), 17)});
  cases.push_back({"G zero-led to 19 digits", ZeroLed(CompressedOf(g), 19)});
  for (int i = 0; i < 4; ++i) {
    const TecPoint p = testsupport::BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 241));
    cases.push_back({"k G #" + std::to_string(i), CompressedOf(p)});
    cases.push_back({"-k G #" + std::to_string(i), CompressedOf(testsupport::Negated(p))});
  }
  const std::vector<TecPoint> small = testsupport::SmallFieldPoints(40);
  for (std::size_t i = 0; i < small.size(); i += 7) {
    cases.push_back({"E(GF(2^15)) #" + std::to_string(i), CompressedOf(small[i])});
    TecPoint sum = testsupport::BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 200));
    sum.Add(small[i]);
    cases.push_back({"k G + T #" + std::to_string(i), CompressedOf(sum)});
  }
  // Values of 2^256 and more are refused, whatever their length word.
  TvlPoint big = testsupport::IntFromHex("1" + std::string(64, '0'));
  cases.push_back({"2^256", big});
  cases.push_back({"2^256 zero-led", ZeroLed(big, 19)});
  cases.push_back({"2^300", testsupport::IntFromHex("1" + std::string(75, '0'))});
  for (int i = 0; i < 24; ++i) {  // about half have no point
    cases.push_back({"random #" + std::to_string(i), testsupport::RandomBelowPowerOfTwo(rng, 256)});
  }
  return cases;
}

TEST(GroupCheckVartimeTest, DecompressionMatchesTheReference) {
  int pointless = 0;
  for (const Case& c : Cases()) {
    TecPoint expected;
    const bool expectedOk = ReferenceDecode(c.v, expected);
    AffinePoint p;
    const bool ok = DecompressVartime(p, c.v);
    ASSERT_EQ(ok, expectedOk) << c.name;
    if (!ok) {
      ++pointless;
      continue;
    }
    EXPECT_TRUE(testsupport::SamePoint(p, expected)) << c.name;
    EXPECT_TRUE(AffineOnCurveVartime(p)) << c.name;
  }
  EXPECT_GT(pointless, 3);  // the random values reached the no-point branch
}

TEST(GroupCheckVartimeTest, GroupCheckMatchesTheMultiplicationByN) {
  int members = 0;
  for (const Case& c : Cases()) {
    const bool expected = TecPoint::IsCompressedGroupPoint(c.v);
    members += expected ? 1 : 0;
    EXPECT_EQ(IsCompressedGroupPointVartime(c.v), expected) << c.name;
  }
  EXPECT_GE(members, 11);
}

TEST(GroupCheckVartimeTest, EveryPointOfTheSmallFieldIsRefused) {
  // E(GF(2^15)) is where the group check's additions meet their exceptional cases: psi fixes
  // these points, so P + psi(P) is a doubling, and sums of orders 2 and 4 reach the zero point.
  for (const TecPoint& t : testsupport::SmallFieldPoints(400)) {
    EXPECT_FALSE(InGroupVartime(testsupport::ToFast(t))) << testsupport::HexOf(CompressedOf(t));
  }
  TecPoint other = testsupport::UnitPoint(CurveCbrtB, CurveCbrtB);  // -(cbrt(b), 0)
  EXPECT_FALSE(InGroupVartime(testsupport::ToFast(other)));
  EXPECT_TRUE(InGroupVartime(AffineZero));
}

}  // namespace
}  // namespace eccrypt::fast
