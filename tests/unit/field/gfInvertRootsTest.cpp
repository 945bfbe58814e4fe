// TgfPoint inversion, square roots, quadratic solving and the base point.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "ECCrypt/field/gfPoint.h"
#include "support/gfReference.h"

namespace eccrypt {
namespace {

using namespace testsupport;

TgfPoint Base(bool which) {
  TgfPoint e;
  e.LoadBaseCoordinate(which);
  return e;
}

bool IsReduced(const TgfPoint& e) {
  const std::int32_t len = e.UnitCount();
  return len >= 0 && len <= TgfPoint::ReducedUnits && (len == 0 || U(e, len) != 0);
}

TEST(GfInvert, ZeroHasNoInverseAndLeavesTheTargetUntouched) {
  TgfPoint target = Element({5});
  FillLeftovers(target, 77);
  const TgfPoint before = target;
  EXPECT_EQ(target.Invert(TgfPoint{}), 1);
  EXPECT_EQ(target.Units, before.Units);
}

TEST(GfInvert, KnownInverses) {
  TgfPoint inv;
  EXPECT_EQ(inv.Invert(Element({161})), 0);
  EXPECT_TRUE(inv.Equal(Element({15671})));
  EXPECT_EQ(inv.Invert(Element({1})), 0);
  EXPECT_TRUE(inv.Equal(Element({1})));
  EXPECT_EQ(inv.Invert(Element({2})), 0);
  EXPECT_TRUE(inv.Equal(Element({16385})));

  // 1/x = x^16 + x^2, since x^17 + x^3 = 1.
  TgfPoint fresh;
  EXPECT_EQ(fresh.Invert(Monomial(1)), 0);
  TgfPoint want;
  U(want, 0) = 17;
  U(want, 3) = U(want, 17) = 1;
  EXPECT_EQ(fresh.Units, want.Units);
}

// Leftovers in the target must not leak into the inverse.
TEST(GfInvert, ProductWithInverseIsOne) {
  std::mt19937 rng(6);
  for (int n = 0; n < 300; ++n) {
    const TgfPoint a = RandomElement(rng);
    TgfPoint inv = RandomElement(rng);
    FillLeftovers(inv, 0x5555);
    ASSERT_EQ(inv.Invert(a), 0);
    EXPECT_TRUE(IsReduced(inv));
    TgfPoint one;
    one.Multiply(a, inv);
    EXPECT_TRUE(one.Equal(Element({1})));
    if (HasFailure()) return;
  }
}

TEST(GfSquareRoot, OfTheCurveConstant) {
  TgfPoint root;
  root.SquareRootOf(161);
  EXPECT_TRUE(root.Equal(Element({3097})));
  TgfPoint square;
  square.Square(root);
  EXPECT_TRUE(square.Equal(Element({161})));
}

TEST(GfSquareRoot, OfOtherUnitsSquaresBack) {
  for (std::uint16_t v :
       {std::uint16_t{1}, std::uint16_t{2}, std::uint16_t{12345}, std::uint16_t{32767}}) {
    TgfPoint root;
    root.SquareRootOf(v);
    EXPECT_EQ(root.UnitCount(), 1);
    TgfPoint square;
    square.Square(root);
    EXPECT_TRUE(square.Equal(Element({v}))) << v;
  }
}

// A value of 32768 or more is not a unit; it would index past the tables.
TEST(GfSquareRoot, RejectsValuesThatAreNotUnits) {
  TgfPoint root = Element({9});
  EXPECT_THROW(root.SquareRootOf(32768), std::out_of_range);
  EXPECT_THROW(root.SquareRootOf(65535), std::out_of_range);
  EXPECT_TRUE(root.Equal(Element({9})));
}

void ExpectSolves(const TgfPoint& z, const TgfPoint& a) {
  TgfPoint z2, sum;
  z2.Square(z);
  sum.Add(z2, z);
  EXPECT_TRUE(sum.Equal(a));
  EXPECT_TRUE(IsReduced(z));
}

TEST(GfSolveQuadratic, ZeroAndBasePointCoordinates) {
  TgfPoint z = Element({4, 4});
  EXPECT_EQ(z.SolveQuadratic(TgfPoint{}), 0);
  EXPECT_EQ(z.UnitCount(), 0);

  const TgfPoint x = Base(true);
  ASSERT_EQ(x.Trace(), 0);
  EXPECT_EQ(z.SolveQuadratic(x), 0);
  ExpectSolves(z, x);

  const TgfPoint y = Base(false);
  ASSERT_EQ(y.Trace(), 1);
  TgfPoint untouched = Element({6, 7});
  FillLeftovers(untouched, 3);
  const TgfPoint before = untouched;
  EXPECT_EQ(untouched.SolveQuadratic(y), 1);
  EXPECT_EQ(untouched.Units, before.Units);
}

TEST(GfSolveQuadratic, SolvesRandomTraceZeroElements) {
  std::mt19937 rng(7);
  for (int n = 0; n < 200; ++n) {
    TgfPoint a = RandomElement(rng);
    if (a.Trace() == 1) {
      if (a.UnitCount() == 1 && U(a, 1) == 1) continue;  // flipping would give zero
      a.FlipLowBit();
    }
    TgfPoint z;
    ASSERT_EQ(z.SolveQuadratic(a), 0);
    ExpectSolves(z, a);
    if (HasFailure()) return;
  }
}

TEST(GfBasePoint, CoordinatesAndCurveEquation) {
  TgfPoint x;
  FillLeftovers(x, 99);
  x.LoadBaseCoordinate(true);
  EXPECT_EQ(x.UnitCount(), 17);
  EXPECT_EQ(U(x, 1), 14540);
  EXPECT_EQ(U(x, 11), 37);
  EXPECT_EQ(U(x, 17), 22269);
  EXPECT_EQ(U(x, 18), 99);  // units above 17 untouched
  const TgfPoint y = Base(false);
  EXPECT_EQ(y.UnitCount(), 17);
  EXPECT_EQ(U(y, 1), 12711);
  EXPECT_EQ(U(y, 17), 8410);

  // y^2 + xy = x^3 + 161
  TgfPoint y2, xy, left, x2, x3, right;
  y2.Square(y);
  xy.Multiply(x, y);
  left.Add(y2, xy);
  x2.Square(x);
  x3.Multiply(x2, x);
  right.Add(x3, Element({161}));
  EXPECT_TRUE(left.Equal(right));
}

}  // namespace
}  // namespace eccrypt
