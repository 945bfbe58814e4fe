// TgfPoint conversions to and from integers (15 bits per unit, unit 1 lowest).
#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <stdexcept>
#include <string>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/field/gfPoint.h"
#include "ECCrypt/text/hexText.h"
#include "support/curveSupport.h"
#include "support/gfReference.h"

namespace eccrypt {
namespace {

using namespace testsupport;

std::int32_t& W(TvlPoint& v, int i) {
  return v.Words[static_cast<std::size_t>(i)];
}

// Upper-case hexadecimal, most significant first; the empty text for zero.
std::string Hex(const TvlPoint& v) {
  std::string s;
  for (int i = v.Words[0]; i >= 1; --i) {
    const std::int32_t d = v.Words[static_cast<std::size_t>(i)];
    for (int shift = 12; shift >= 0; shift -= 4)
      s += HexDigitChars[static_cast<std::size_t>((d >> shift) & 0xF)];
  }
  return s;
}

// The integer with the given 16-bit digits, least significant first, length = their count.
TvlPoint Digits(std::initializer_list<std::int32_t> digits) {
  TvlPoint v;
  int i = 0;
  for (std::int32_t d : digits) W(v, ++i) = d;
  v.Words[0] = i;
  return v;
}

// The integer form built bit by bit, independently of the TvlPoint arithmetic.
TvlPoint PackedBits(const TgfPoint& e) {
  TvlPoint v;
  int len = 0;
  for (int b = 0; b < 15 * e.UnitCount(); ++b) {
    if ((U(e, b / 15 + 1) >> (b % 15)) & 1) {
      W(v, b / 16 + 1) |= 1 << (b % 16);
      len = b / 16 + 1;
    }
  }
  v.Words[0] = len;
  return v;
}

TEST(GfIntegerForm, BasePointCoordinates) {
  for (bool which : {true, false}) {
    TgfPoint c;
    c.LoadBaseCoordinate(which);
    TvlPoint v;
    c.ToInteger(v);
    EXPECT_EQ(Hex(v), which ? testsupport::KnownBasePoint().x : testsupport::KnownBasePoint().y);
    TgfPoint back;
    back.FromInteger(v);
    EXPECT_TRUE(back.Equal(c));
  }
}

TEST(GfIntegerForm, SmallValues) {
  TgfPoint e = Element({1, 2});
  FillLeftovers(e, 42);
  e.FromInteger(TvlPoint{});
  EXPECT_EQ(e.UnitCount(), 0);
  EXPECT_EQ(U(e, 1), 1);  // units above the new length stay as they were

  e.FromInteger(Digits({0x8000}));  // 2^15
  EXPECT_EQ(e.UnitCount(), 2);
  EXPECT_EQ(U(e, 1), 0);
  EXPECT_EQ(U(e, 2), 1);
  EXPECT_EQ(U(e, 3), 42);

  // A zero value with a leading zero digit (a one-digit zero) is the zero element too.
  e.FromInteger(Digits({0}));
  EXPECT_EQ(e.UnitCount(), 0);
  // Leading zero digits above the value are skipped.
  e.FromInteger(Digits({5, 0, 0}));
  EXPECT_TRUE(e.Equal(Element({5})));
}

TEST(GfIntegerForm, ToIntegerAppendsBelowTheDestination) {
  TvlPoint v = Digits({0x1234, 0x5678});
  TgfPoint{}.ToInteger(v);  // the zero element leaves the destination as it was
  EXPECT_EQ(Hex(v), "56781234");

  v = Digits({1});
  Element({5}).ToInteger(v);  // 1 * 2^15 + 5
  EXPECT_EQ(Hex(v), "8005");
}

TEST(GfIntegerForm, RoundTripsOfRandomElements) {
  std::mt19937 rng(8);
  for (int n = 0; n < 300; ++n) {
    const TgfPoint a = RandomElement(rng);
    TvlPoint v;
    a.ToInteger(v);
    const TvlPoint packed = PackedBits(a);
    ASSERT_EQ(Hex(v), Hex(packed));
    const TvlPoint copy = v;
    TgfPoint back;
    FillLeftovers(back, 9);
    back.FromInteger(v);
    ASSERT_TRUE(back.Equal(a));
    ASSERT_EQ(v.Words, copy.Words);  // the source is only read
  }
}

TEST(GfIntegerForm, LargestReducedElement) {
  TvlPoint top;  // 2^255 - 1
  top.Words[0] = 16;
  for (int i = 1; i <= 15; ++i) W(top, i) = 0xFFFF;
  W(top, 16) = 0x7FFF;
  TgfPoint e;
  e.FromInteger(top);
  EXPECT_EQ(e.UnitCount(), 17);
  for (int i = 1; i <= 17; ++i) EXPECT_EQ(U(e, i), 0x7FFF) << i;
}

// 2^255 and above have no reduced element: rejected, nothing written.
TEST(GfIntegerForm, RejectsIntegersOf2To255AndAbove) {
  TvlPoint power;  // 2^255
  power.Words[0] = 16;
  W(power, 16) = 0x8000;
  TvlPoint full;  // 19 digits of 0xFFFF, 2^304 - 1
  full.Words[0] = 19;
  for (int i = 1; i <= 19; ++i) W(full, i) = 0xFFFF;
  TvlPoint high;  // 2^288
  high.Words[0] = 19;
  W(high, 19) = 1;
  for (const TvlPoint* v : {&power, &full, &high}) {
    TgfPoint e = Element({3, 4});
    FillLeftovers(e, 5);
    const TgfPoint before = e;
    EXPECT_THROW(e.FromInteger(*v), std::out_of_range);
    EXPECT_EQ(e.Units, before.Units);
  }
}

}  // namespace
}  // namespace eccrypt
