// TgfPoint storage, addition, multiplication, squaring, reduction and scalar operations.
#include <gtest/gtest.h>

#include <random>

#include "ECCrypt/field/gfPoint.h"
#include "support/gfReference.h"

namespace eccrypt {
namespace {

using namespace testsupport;

constexpr std::int32_t kJunk = 0x1234;

// All 37 words equal.
void ExpectSameWords(const TgfPoint& got, const TgfPoint& want) {
  for (int i = 0; i <= TgfPoint::MaxUnits; ++i) EXPECT_EQ(U(got, i), U(want, i)) << "word " << i;
}

TEST(GfPoint, NewElementIsZeroAndZeroClearsAllWords) {
  TgfPoint e;
  for (std::int32_t w : e.Units) EXPECT_EQ(w, 0);
  e = Element({1, 2, 3});
  FillLeftovers(e, kJunk);
  e.Zero();
  for (std::int32_t w : e.Units) EXPECT_EQ(w, 0);
}

TEST(GfPoint, SmallValuesAndBitTests) {
  TgfPoint e;
  FillLeftovers(e, kJunk);
  e.AssignSmall(161 | 0x18000);  // only the low 15 bits are kept
  EXPECT_EQ(e.UnitCount(), 1);
  EXPECT_EQ(U(e, 1), 161);
  EXPECT_EQ(U(e, 2), kJunk);  // other units untouched
  EXPECT_EQ(e.LowBit(), 1);
  EXPECT_EQ(e.Trace(), 1);
  e.FlipLowBit();
  EXPECT_EQ(U(e, 1), 160);
  EXPECT_EQ(e.UnitCount(), 1);
  EXPECT_EQ(e.LowBit(), 0);
  EXPECT_EQ(e.Trace(), 0);

  TgfPoint zero;
  U(zero, 1) = 1;  // a leftover, not part of the value
  EXPECT_EQ(zero.LowBit(), 0);
  EXPECT_EQ(zero.Trace(), 0);
}

TEST(GfPoint, EqualComparesOnlyUnitsUpToTheLength) {
  TgfPoint a = Element({5, 6, 7});
  TgfPoint b = Element({5, 6, 7});
  FillLeftovers(b, kJunk);
  EXPECT_TRUE(a.Equal(b));
  EXPECT_FALSE(a.Equal(Element({5, 6})));
  EXPECT_FALSE(a.Equal(Element({5, 6, 8})));
  TgfPoint copy;
  copy.CopyFrom(b);
  ExpectSameWords(copy, b);
}

struct AddCase {
  const char* name;
  TgfPoint a, b, want;
};

TEST(GfPointAdd, LengthsOfSums) {
  const AddCase cases[] = {
      {"longer first", Element({1, 2, 3}), Element({1, 7}), Element({0, 5, 3})},
      {"longer second", Element({4}), Element({1, 0, 9}), Element({5, 0, 9})},
      {"top units cancel", Element({1, 2, 3, 4}), Element({1, 3, 8, 4}), Element({0, 1, 11})},
      {"equal operands", Element({1, 2}), Element({1, 2}), TgfPoint{}},
      {"both zero", TgfPoint{}, TgfPoint{}, TgfPoint{}},
  };
  for (const AddCase& c : cases) {
    TgfPoint s;
    s.Add(c.a, c.b);
    EXPECT_TRUE(s.Equal(c.want)) << c.name;
  }
}

// With equal lengths the units above the new length are left as they were.
TEST(GfPointAdd, CancellationKeepsLeftoversAboveTheNewLength) {
  TgfPoint s = Element({9, 9, 9, 9});
  s.Add(Element({1, 2, 3, 4}), Element({1, 3, 3, 4}));
  TgfPoint want = Element({0, 1, 9, 9});
  U(want, 0) = 2;
  ExpectSameWords(s, want);
}

TEST(GfPointAdd, AliasingOfSelfAndOperands) {
  std::mt19937 rng(1);
  for (int n = 0; n < 50; ++n) {
    const TgfPoint a = RandomElement(rng);
    const TgfPoint b = RandomElement(rng);
    const TgfPoint want = FromPoly(testsupport::RefAdd(ToPoly(a), ToPoly(b)));
    TgfPoint s = a;
    s.Add(s, b);  // self is a
    EXPECT_TRUE(s.Equal(want));
    s = b;
    s.Add(a, s);  // self is b
    EXPECT_TRUE(s.Equal(want));
    s = a;
    s.Add(s, s);  // self is both: zero
    EXPECT_EQ(s.UnitCount(), 0);
  }
}

TEST(GfPointReduce, FoldsHighUnits) {
  TgfPoint e = Monomial(17);  // x^17 = x^3 + 1
  e.Reduce();
  ExpectSameWords(e, Element({1, 0, 0, 1}));

  e = Monomial(32);  // x^32 = x^15 + x^4 + x
  e.Reduce();
  TgfPoint want;
  U(want, 0) = 16;
  U(want, 2) = U(want, 5) = U(want, 16) = 1;
  ExpectSameWords(e, want);
}

// Up to 17 units nothing at all changes, not even a zero top unit or the words above.
TEST(GfPointReduce, ShortElementsAreLeftExactlyAsTheyAre) {
  TgfPoint e = Element({1, 2, 0});
  FillLeftovers(e, kJunk);
  const TgfPoint before = e;
  e.Reduce();
  ExpectSameWords(e, before);
  U(e, 0) = 17;
  U(e, 17) = 0;
  const TgfPoint full = e;
  e.Reduce();
  ExpectSameWords(e, full);
}

TEST(GfPointMultiply, KnownProducts) {
  TgfPoint p;
  p.Multiply(Monomial(16), Monomial(1));  // x^17 = x^3 + 1
  ExpectSameWords(p, Element({1, 0, 0, 1}));
  p.Multiply(Element({2}), Element({16384}));
  EXPECT_TRUE(p.Equal(Element({3})));
  p.Multiply(Element({16385}), Element({2}));
  EXPECT_TRUE(p.Equal(Element({1})));
}

TEST(GfPointMultiply, ZeroOperandClearsAllWords) {
  const TgfPoint a = Element({1, 2, 3});
  for (bool zeroFirst : {true, false}) {
    TgfPoint p = Element({7, 7});
    FillLeftovers(p, kJunk);
    if (zeroFirst) {
      p.Multiply(TgfPoint{}, a);
    } else {
      p.Multiply(a, TgfPoint{});
    }
    ExpectSameWords(p, TgfPoint{});
  }
}

// The log-table product against a bitwise schoolbook product; every word is checked, so the
// length and the zeroed units above it are exact too.
TEST(GfPointMultiply, AgreesWithReference) {
  std::mt19937 rng(2);
  for (int n = 0; n < 300; ++n) {
    const TgfPoint a = RandomElement(rng);
    const TgfPoint b = RandomElement(rng);
    TgfPoint p;
    FillLeftovers(p, kJunk);
    p.Multiply(a, b);
    ExpectSameWords(p, FromPoly(testsupport::RefMul(ToPoly(a), ToPoly(b))));
    if (HasFailure()) return;
  }
}

TEST(GfPointMultiply, RingLaws) {
  std::mt19937 rng(3);
  for (int n = 0; n < 200; ++n) {
    const TgfPoint a = RandomElement(rng);
    const TgfPoint b = RandomElement(rng);
    const TgfPoint c = RandomElement(rng);
    TgfPoint bc, left, ab, ac, right, ba;
    bc.Add(b, c);
    left.Multiply(a, bc);
    ab.Multiply(a, b);
    ac.Multiply(a, c);
    right.Add(ab, ac);
    EXPECT_TRUE(left.Equal(right)) << "distributivity";
    ba.Multiply(b, a);
    EXPECT_TRUE(ab.Equal(ba)) << "commutativity";
    TgfPoint abc1, bTimesC, abc2;
    abc1.Multiply(ab, c);
    bTimesC.Multiply(b, c);
    abc2.Multiply(a, bTimesC);
    EXPECT_TRUE(abc1.Equal(abc2)) << "associativity";
  }
}

TEST(GfPointSquare, MatchesMultiplyAlsoInPlace) {
  std::mt19937 rng(4);
  for (int n = 0; n < 300; ++n) {
    const TgfPoint a = RandomElement(rng);
    TgfPoint viaMultiply, separate;
    viaMultiply.Multiply(a, a);
    separate.Square(a);
    EXPECT_TRUE(separate.Equal(viaMultiply));
    TgfPoint inPlace = a;
    inPlace.Square(inPlace);
    EXPECT_TRUE(inPlace.Equal(viaMultiply));
    EXPECT_LE(inPlace.UnitCount(), TgfPoint::ReducedUnits);
    if (inPlace.UnitCount() > 0) {
      EXPECT_NE(U(inPlace, inPlace.UnitCount()), 0);
    }
  }
}

TEST(GfPointSquare, ZeroWritesOnlyTheLength) {
  TgfPoint s = Element({3, 4});
  FillLeftovers(s, kJunk);
  s.Square(TgfPoint{});
  TgfPoint want = Element({3, 4});
  FillLeftovers(want, kJunk);
  U(want, 0) = 0;
  ExpectSameWords(s, want);
}

TEST(GfPointDivideByUnit, DividesEveryUnitKeepingTheLength) {
  TgfPoint e = Element({161});
  e.DivideByUnit(161);
  EXPECT_TRUE(e.Equal(Element({1})));

  e = Element({0, 5, 0, 9});
  e.DivideByUnit(1);
  EXPECT_TRUE(e.Equal(Element({0, 5, 0, 9})));

  std::mt19937 rng(5);
  const TgfPoint a = RandomElement(rng);
  TgfPoint q = a;
  q.DivideByUnit(12345);
  TgfPoint back;
  back.Multiply(q, Element({12345}));
  EXPECT_TRUE(back.Equal(a));
  EXPECT_EQ(q.UnitCount(), a.UnitCount());
}

TEST(GfPointAddScaledShift, AddsWithoutReducingAndTrims) {
  // 0 + 2 * x^3 * (1 + x): two new units above, zeros written below.
  TgfPoint s;
  FillLeftovers(s, kJunk);
  s.AddScaledShift(2, 3, Element({1, 1}));
  ExpectSameWords(s, [] {
    TgfPoint w = Element({0, 0, 0, 2, 2});
    FillLeftovers(w, kJunk);
    return w;
  }());

  // Unreduced growth past unit 17.
  s = Monomial(16);
  s.AddScaledShift(1, 17, Monomial(1));  // x^16 + x^18
  EXPECT_EQ(s.UnitCount(), 19);
  EXPECT_EQ(U(s, 17), 1);
  EXPECT_EQ(U(s, 19), 1);

  // Cancelling the top units trims the length.
  s = Element({1, 2, 3, 4});
  s.AddScaledShift(2, 2, Element({7, 2}));  // 2 * x^2 * (7 + 2x) = 14x^2 + 4x^3
  EXPECT_TRUE(s.Equal(Element({1, 2, 3 ^ 14})));
}

}  // namespace
}  // namespace eccrypt
