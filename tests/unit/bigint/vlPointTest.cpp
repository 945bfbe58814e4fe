// Known values, edge cases and the guarded misuses of TvlPoint.
#include "ECCrypt/bigint/vlPoint.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "ECPlatform/ShowMessage.h"
#include "support/bignumOracle.h"
#include "support/vectorFile.h"

namespace eccrypt {
namespace {

using testsupport::Describe;
using testsupport::MakeVl;

// Same length word and the same digits 1..L (words above L are not compared).
::testing::AssertionResult Is(const TvlPoint& x, std::initializer_list<std::int32_t> digits) {
  if (x.Equal(MakeVl(digits))) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got " << Describe(x) << ", expected " << Describe(MakeVl(digits));
}

TvlPoint Order() {
  TvlPoint n;
  n.LoadOrder(true);
  return n;
}

TEST(VlPointOrder, HasTheDigitsBitLengthAndDecimalValueOfN) {
  TvlPoint n;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) n.Words[i] = 0x7777;  // leftovers
  n.Words[0] = TvlPoint::Capacity;
  n.LoadOrder(true);
  EXPECT_EQ(n.Length(), 16);
  EXPECT_EQ(n.BitLength(), 241);
  EXPECT_TRUE(Is(n, {0xCD31, 0x42BB, 0x2584, 0x5E0D, 0x2D8B, 0x4BF7, 0x840E, 0x0547, 0xBEC3, 0xED9B,
                     0x691C, 0x2314, 0x81B8, 0xD850, 0x026D, 0x0001}));
  EXPECT_EQ(n.Words[17], 0x7777) << "words above the 16 digits are left as they were";

  const testsupport::TVectorRecord known = testsupport::ReadSingleVector("groupOrder.vec");
  testsupport::BnPtr bn = testsupport::ToBignum(n);
  BIGNUM* expected = nullptr;
  ASSERT_NE(BN_hex2bn(&expected, testsupport::Field(known, "hex").c_str()), 0);
  const testsupport::BnPtr expectedOwner(expected);
  EXPECT_TRUE(testsupport::SameValue(n, expected));
  char* decimal = BN_bn2dec(bn.get());
  EXPECT_EQ(std::string(decimal), testsupport::Field(known, "decimal"));
  OPENSSL_free(decimal);
  testsupport::BnCtxPtr ctx(BN_CTX_new());
  EXPECT_EQ(BN_check_prime(bn.get(), ctx.get(), nullptr), 1);

  n.LoadOrder(false);
  EXPECT_EQ(n.Length(), 0);
  for (std::int32_t w : n.Words) EXPECT_EQ(w, 0);
}

TEST(VlPointAssign, ZeroCopyAndSmallValues) {
  TvlPoint x = MakeVl({1, 2, 3});
  x.AssignSmall(0);
  EXPECT_TRUE(Is(x, {0})) << "v = 0 gives a one-digit zero";
  x.AssignSmall(0xFFFF);
  EXPECT_TRUE(Is(x, {0xFFFF}));

  TvlPoint target = MakeVl({9, 9, 9, 9});
  target.CopyFrom(MakeVl({5, 6}));
  EXPECT_TRUE(Is(target, {5, 6}));
  EXPECT_EQ(target.Words[3], 9) << "words above the source's length are left as they were";
  target.CopyFrom(target);
  EXPECT_TRUE(Is(target, {5, 6}));

  target.Zero();
  for (std::int32_t w : target.Words) EXPECT_EQ(w, 0);
}

struct ArithCase {
  std::vector<std::int32_t> a, b, expected;
};

TvlPoint FromVector(const std::vector<std::int32_t>& digits) {
  TvlPoint x;
  x.Words[0] = static_cast<std::int32_t>(digits.size());
  for (std::size_t i = 0; i < digits.size(); ++i) x.Words[i + 1] = digits[i];
  return x;
}

TEST(VlPointAddSubtract, CarryAndBorrowChains) {
  const std::vector<ArithCase> sums = {
      {{0xFFFF}, {1}, {0, 1}},
      {{0xFFFF, 0xFFFF}, {1}, {0, 0, 1}},
      {{1}, {0xFFFF, 0xFFFF}, {0, 0, 1}},
      {{}, {}, {}},
      {{0}, {}, {0}},  // a one-digit zero counts as zero
      {{}, {0x1234, 5}, {0x1234, 5}},
  };
  for (const ArithCase& c : sums) {
    TvlPoint x = FromVector(c.a);
    x.Add(FromVector(c.b));
    EXPECT_TRUE(x.Equal(FromVector(c.expected))) << Describe(x);
  }

  const std::vector<ArithCase> differences = {
      {{0, 0, 1}, {1}, {0xFFFF, 0xFFFF}},
      {{0, 1}, {1}, {0xFFFF}},
      {{5, 7}, {5, 7}, {}},
      {{5, 7}, {}, {5, 7}},
      {{3}, {0}, {3}},
      {{}, {0}, {}},
  };
  for (const ArithCase& c : differences) {
    TvlPoint x = FromVector(c.a);
    x.Subtract(FromVector(c.b));
    EXPECT_TRUE(x.Equal(FromVector(c.expected))) << Describe(x);
  }
}

TEST(VlPointAddSubtract, AcceptSelfAsOperand) {
  TvlPoint x = MakeVl({0x8001, 0xFFFF});
  x.Add(x);
  EXPECT_TRUE(Is(x, {0x0002, 0xFFFF, 1}));
  x.Subtract(x);
  EXPECT_EQ(x.Length(), 0);
}

TEST(VlPointCompare, GreaterAndEqual) {
  const TvlPoint a = MakeVl({7, 3});
  const TvlPoint same = MakeVl({7, 3});
  EXPECT_FALSE(a.Greater(same));
  EXPECT_FALSE(same.Greater(a));
  EXPECT_FALSE(a.Greater(a));
  EXPECT_TRUE(a.Equal(same));
  EXPECT_TRUE(a.Equal(a));
  EXPECT_TRUE(MakeVl({0, 1}).Greater(MakeVl({0xFFFF})));
  EXPECT_FALSE(MakeVl({0xFFFF}).Greater(MakeVl({0, 1})));
  EXPECT_TRUE(MakeVl({8, 3}).Greater(a));
  EXPECT_TRUE(MakeVl({0}).Greater(TvlPoint{})) << "compared by length";
  EXPECT_FALSE(MakeVl({0}).Equal(TvlPoint{}));

  TvlPoint leftovers = MakeVl({7, 3, 99});
  leftovers.Words[0] = 2;
  EXPECT_TRUE(a.Equal(leftovers)) << "words above L are not compared";
}

TEST(VlPointRemainder, KnownCases) {
  const TvlPoint m = MakeVl({0x1234, 0x0056});
  TvlPoint below = MakeVl({0x1233, 0x0056});
  below.Remainder(m);
  EXPECT_TRUE(Is(below, {0x1233, 0x0056}));

  TvlPoint same = m;
  same.Remainder(m);
  EXPECT_EQ(same.Length(), 0);

  TvlPoint multiple;
  multiple.MulSmall(m, 12345);
  multiple.Remainder(m);
  EXPECT_EQ(multiple.Length(), 0);

  TvlPoint shifted = m;  // m * 2^(16*3+5) + 5
  for (int i = 0; i < 3; ++i) shifted.ShiftLeft(16);
  shifted.ShiftLeft(5);
  shifted.Add(MakeVl({5}));
  shifted.Remainder(m);
  EXPECT_TRUE(Is(shifted, {5}));

  TvlPoint self = MakeVl({4, 5, 6});
  self.Remainder(self);
  EXPECT_EQ(self.Length(), 0);

  TvlPoint oneDigitZero = MakeVl({0});
  oneDigitZero.Remainder(m);
  EXPECT_TRUE(Is(oneDigitZero, {0}));
}

TEST(VlPointRemainder, NineteenDigitValuesAgainstLargeModuli) {
  // The largest values, where a doubled copy of the modulus no longer fits.
  TvlPoint max;
  max.Words[0] = TvlPoint::Capacity;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) max.Words[i] = 0xFFFF;
  const testsupport::BnPtr maxBn = testsupport::ToBignum(max);
  const std::vector<TvlPoint> moduli = {MakeVl({1}),
                                        MakeVl({3}),
                                        Order(),
                                        MakeVl({0, 0, 0, 1}),
                                        [] {
                                          TvlPoint m;  // 2^303 + 1
                                          m.Words[0] = 19;
                                          m.Words[1] = 1;
                                          m.Words[19] = 0x8000;
                                          return m;
                                        }(),
                                        [&] {
                                          TvlPoint m = max;  // 2^304 - 2
                                          m.Words[1] = 0xFFFE;
                                          return m;
                                        }()};
  testsupport::BnCtxPtr ctx(BN_CTX_new());
  for (const TvlPoint& m : moduli) {
    TvlPoint x = max;
    x.Remainder(m);
    testsupport::BnPtr expected = testsupport::NewBignum();
    BN_mod(expected.get(), maxBn.get(), testsupport::ToBignum(m).get(), ctx.get());
    EXPECT_TRUE(testsupport::SameValue(x, expected.get())) << Describe(m);
  }
}

TEST(VlPointMulSmall, FactorsZeroOneAndCarry) {
  TvlPoint x = MakeVl({1, 2, 3});
  x.MulSmall(MakeVl({4, 5}), 0);
  for (std::int32_t w : x.Words) EXPECT_EQ(w, 0);

  x.MulSmall(MakeVl({0x8000}), 2);
  EXPECT_TRUE(Is(x, {0, 1}));
  x.MulSmall(x, 0xFFFF);  // src = Self
  EXPECT_TRUE(Is(x, {0, 0xFFFF}));
  x.MulSmall(TvlPoint{}, 7);
  EXPECT_EQ(x.Length(), 0);
}

// A 19-digit source with a factor of 2 or more shows the one message of the arithmetic and
// leaves Self unchanged; a factor of 1 copies it without a word.
TEST(VlPointMulSmall, NoRoomShowsTheMessageAndLeavesSelfAlone) {
  std::vector<std::string> shown;
  ecplatform::MessageHandler previous =
      ecplatform::SetMessageHandler([&](const std::string& text) { shown.push_back(text); });

  TvlPoint big;
  big.Words[0] = TvlPoint::Capacity;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) big.Words[i] = static_cast<int>(i);
  TvlPoint self = MakeVl({42, 43});
  const TvlPoint before = self;

  self.MulSmall(big, 2);
  ASSERT_EQ(shown.size(), 1U);
  EXPECT_EQ(shown[0], "ERROR: not enough room for multiplication");
  EXPECT_EQ(self.Words, before.Words);

  big.MulSmall(big, 3);
  EXPECT_EQ(shown.size(), 2U);
  EXPECT_EQ(big.Words[1], 1);

  self.MulSmall(big, 1);
  EXPECT_EQ(shown.size(), 2U);
  EXPECT_TRUE(self.Equal(big));

  ecplatform::SetMessageHandler(previous);
}

TEST(VlPointShift, DigitBoundaries) {
  TvlPoint x = MakeVl({0x8000});
  x.ShiftLeft(1);
  EXPECT_TRUE(Is(x, {0, 1}));
  x.ShiftRight(1);
  EXPECT_TRUE(Is(x, {0x8000}));

  x = MakeVl({5});
  x.ShiftLeft(16);
  EXPECT_TRUE(Is(x, {0, 5}));
  x = MakeVl({0x1111, 0x2222});
  x.ShiftRight(16);
  EXPECT_TRUE(Is(x, {0x2222}));
  x.ShiftRight(0);
  x.ShiftLeft(0);
  EXPECT_TRUE(Is(x, {0x2222}));

  for (std::int32_t s : {0, 1, 15, 16}) {
    TvlPoint zero;
    zero.ShiftLeft(s);
    EXPECT_EQ(zero.Length(), 0);
    zero.ShiftRight(s);
    EXPECT_EQ(zero.Length(), 0);
  }
}

// A 19-digit value keeps L = 19 and loses the bits that leave its top digit.
TEST(VlPointShift, LeftOfNineteenDigitsDropsTheTopBits) {
  TvlPoint x;
  x.Words[0] = TvlPoint::Capacity;
  x.Words[1] = 0x0003;
  x.Words[19] = 0xC001;
  x.ShiftLeft(1);
  EXPECT_EQ(x.Length(), TvlPoint::Capacity);
  EXPECT_EQ(x.Words[1], 0x0006);
  EXPECT_EQ(x.Words[19], 0x8002);
  x.ShiftLeft(16);
  EXPECT_EQ(x.Length(), TvlPoint::Capacity);
  EXPECT_EQ(x.Words[1], 0);
  EXPECT_EQ(x.Words[2], 0x0006);
  EXPECT_EQ(x.Words[19], 0) << "the top digit left; L stays 19";
}

TEST(VlPointBits, TestBitAndBitLength) {
  const TvlPoint x = MakeVl({0x0001, 0x8000});
  EXPECT_EQ(x.TestBit(-1), 0);
  EXPECT_EQ(x.TestBit(0), 1);
  EXPECT_EQ(x.TestBit(1), 0);
  EXPECT_EQ(x.TestBit(31), 1);
  EXPECT_EQ(x.TestBit(32), 0);
  EXPECT_EQ(x.BitLength(), 32);
  EXPECT_EQ(MakeVl({1}).BitLength(), 1);
  EXPECT_EQ(MakeVl({0}).BitLength(), 0);
  EXPECT_EQ(TvlPoint{}.BitLength(), 0);
  EXPECT_EQ(TvlPoint{}.TestBit(0), 0);
}

TEST(VlPointMulMod, SelfMayBeAnOperand) {
  const TvlPoint n = Order();
  TvlPoint a = MakeVl({0x1234, 0x5678, 0x9ABC, 0xDEF0, 0x1111, 0x2222, 0x3333, 0x4444, 0x5555,
                       0x6666, 0x7777, 0x8888, 0x9999, 0xAAAA, 0xBBBB, 0xCCCC, 0xDDDD});
  TvlPoint expected;
  expected.MulMod(a, a, n);
  a.MulMod(a, a, n);
  EXPECT_TRUE(a.Equal(expected));

  TvlPoint m = n;
  m.MulMod(MakeVl({2}), n, m);
  EXPECT_EQ(m.Length(), 0);
}

// Misuses that would step outside the 20 words throw, and leave Self as it was.
TEST(VlPointGuards, MisusesThrowAndLeaveSelfUnchanged) {
  TvlPoint max;
  max.Words[0] = TvlPoint::Capacity;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) max.Words[i] = 0xFFFF;
  TvlPoint x = max;
  EXPECT_THROW(x.Add(MakeVl({1})), std::overflow_error);
  EXPECT_THROW(x.Add(x), std::overflow_error);
  EXPECT_EQ(x.Words, max.Words);

  const TvlPoint small = MakeVl({5, 1});
  TvlPoint y = small;
  EXPECT_THROW(y.Subtract(MakeVl({6, 1})), std::domain_error);
  EXPECT_THROW(y.Subtract(MakeVl({0, 0, 1})), std::domain_error);
  EXPECT_EQ(y.Words, small.Words);
  TvlPoint zero;
  EXPECT_THROW(zero.Subtract(MakeVl({1})), std::domain_error);

  EXPECT_THROW(y.Remainder(TvlPoint{}), std::domain_error);
  EXPECT_THROW(y.Remainder(MakeVl({0})), std::domain_error);
  EXPECT_THROW(y.Remainder(MakeVl({0, 0})), std::domain_error);
  TvlPoint product;
  EXPECT_THROW(product.MulMod(small, small, TvlPoint{}), std::domain_error);
  EXPECT_EQ(y.Words, small.Words);

  for (std::int32_t s : {-1, 17, 32}) {
    EXPECT_THROW(y.ShiftLeft(s), std::invalid_argument);
    EXPECT_THROW(y.ShiftRight(s), std::invalid_argument);
  }
  for (std::int32_t v : {-1, 0x10000}) {
    EXPECT_THROW(y.AssignSmall(v), std::invalid_argument);
    EXPECT_THROW(y.MulSmall(small, v), std::invalid_argument);
  }
  EXPECT_EQ(y.Words, small.Words);

  // A length word written out of range by a direct writer is refused, not followed.
  TvlPoint bad;
  bad.Words[0] = 20;
  EXPECT_THROW(y.Add(bad), std::out_of_range);
  EXPECT_THROW((void)bad.BitLength(), std::out_of_range);
  bad.Words[0] = -1;
  EXPECT_THROW((void)y.Greater(bad), std::out_of_range);
}

// A doubled copy of a modulus above 2^303 no longer fits: MulMod refuses rather than
// computing with a truncated value.
TEST(VlPointGuards, MulModRefusesModuliThatCannotBeDoubled) {
  TvlPoint m;
  m.Words[0] = TvlPoint::Capacity;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) m.Words[i] = 0xFFFF;
  TvlPoint b = m;
  b.Words[1] = 0xFFFE;  // m - 1
  TvlPoint product;
  EXPECT_ANY_THROW(product.MulMod(MakeVl({3}), b, m));
}

// Values with zero top digits (such as a text with a leading group 0000 produces) are
// reduced by their value.
TEST(VlPointRemainder, OperandsWithZeroTopDigits) {
  TvlPoint x = MakeVl({7, 0});
  x.Remainder(MakeVl({5}));
  EXPECT_TRUE(Is(x, {2}));
  x = MakeVl({3, 0});
  x.Remainder(MakeVl({5}));
  EXPECT_TRUE(Is(x, {3}));
  x = MakeVl({0x1234, 0x5678});
  x.Remainder(MakeVl({0x0100, 0}));
  EXPECT_TRUE(Is(x, {0x0034}));
}

}  // namespace
}  // namespace eccrypt
