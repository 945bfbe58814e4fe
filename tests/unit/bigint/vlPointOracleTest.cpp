// TvlPoint held against OpenSSL's BIGNUM on random operands: random lengths, digits biased
// towards 0 and 0xFFFF, junk in the words above the length.
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstdint>
#include <stdexcept>

#include "ECCrypt/bigint/vlPoint.h"
#include "support/bignumOracle.h"

namespace eccrypt {
namespace {

using namespace testsupport;

constexpr int Rounds = 3000;

class VlPointOracle : public ::testing::Test {
 protected:
  testsupport::BnCtxPtr ctx_{BN_CTX_new()};
  testsupport::RandomVl random_{0x5EED0001};

  // 2^bits
  static BnPtr PowerOfTwo(int bits) {
    BnPtr p = NewBignum();
    BN_set_bit(p.get(), bits);
    return p;
  }

  // (a.*op)(b) where the oracle's result is expected: the result has that value, or, when the
  // oracle says it is out of range (refused), op throws Error and leaves a as it was.
  template <class Error>
  static ::testing::AssertionResult MatchesOrRefuses(void (TvlPoint::*op)(const TvlPoint&),
                                                     TvlPoint a, const TvlPoint& b,
                                                     const BIGNUM* expected, bool refused) {
    if (!refused) {
      (a.*op)(b);
      return SameValue(a, expected) << " (b = " << Describe(b) << ")";
    }
    const TvlPoint before = a;
    try {
      (a.*op)(b);
    } catch (const Error&) {
      if (a.Words == before.Words) return ::testing::AssertionSuccess();
      return ::testing::AssertionFailure() << "refused, but changed a: " << Describe(a);
    }
    return ::testing::AssertionFailure() << "not refused: b = " << Describe(b);
  }
};

TEST_F(VlPointOracle, AddMatchesOrOverflows) {
  const BnPtr limit = PowerOfTwo(16 * TvlPoint::Capacity);
  for (int round = 0; round < Rounds; ++round) {
    TvlPoint a = random_.UpTo(TvlPoint::Capacity);
    const TvlPoint b = random_.UpTo(TvlPoint::Capacity);
    BnPtr sum = NewBignum();
    BN_add(sum.get(), ToBignum(a).get(), ToBignum(b).get());
    ASSERT_TRUE(MatchesOrRefuses<std::overflow_error>(&TvlPoint::Add, a, b, sum.get(),
                                                      BN_cmp(sum.get(), limit.get()) >= 0));
  }
}

TEST_F(VlPointOracle, SubtractMatchesOrRefusesNegative) {
  for (int round = 0; round < Rounds; ++round) {
    TvlPoint a = random_.UpTo(TvlPoint::Capacity);
    TvlPoint b = round % 5 == 0 ? a : random_.UpTo(a.Length());
    if (round % 7 == 0) std::swap(a, b);
    BnPtr difference = NewBignum();
    BN_sub(difference.get(), ToBignum(a).get(), ToBignum(b).get());
    ASSERT_TRUE(MatchesOrRefuses<std::domain_error>(&TvlPoint::Subtract, a, b, difference.get(),
                                                    BN_is_negative(difference.get()) != 0));
  }
}

TEST_F(VlPointOracle, GreaterAndEqualMatchComparison) {
  for (int round = 0; round < Rounds; ++round) {
    const TvlPoint a = random_.UpTo(TvlPoint::Capacity);
    TvlPoint b = a;
    switch (round % 3) {
      case 0:
        break;  // equal digits, different junk above L
      case 1:
        b = random_.WithLength(a.Length());
        break;
      default:
        b = random_.UpTo(TvlPoint::Capacity);
        break;
    }
    const int cmp = BN_cmp(ToBignum(a).get(), ToBignum(b).get());
    ASSERT_EQ(a.Greater(b), cmp > 0) << Describe(a) << " vs " << Describe(b);
    ASSERT_EQ(b.Greater(a), cmp < 0);
    ASSERT_EQ(a.Equal(b), cmp == 0);
  }
}

TEST_F(VlPointOracle, RemainderMatchesForEveryLength) {
  TvlPoint n;
  n.LoadOrder(true);
  for (int round = 0; round < Rounds; ++round) {
    TvlPoint x = random_.UpTo(TvlPoint::Capacity);
    TvlPoint m = round % 2 == 0 ? n : random_.UpTo(TvlPoint::Capacity);
    if (m.IsZero()) m.AssignSmall(1 + static_cast<std::int32_t>(random_.Below(0xFFFF)));
    BnPtr expected = NewBignum();
    BN_mod(expected.get(), ToBignum(x).get(), ToBignum(m).get(), ctx_.get());
    x.Remainder(m);
    ASSERT_TRUE(SameValue(x, expected.get())) << "m = " << Describe(m);
  }
}

TEST_F(VlPointOracle, MulModModuloNMatches) {
  TvlPoint n;
  n.LoadOrder(true);
  const BnPtr nBn = ToBignum(n);
  BnPtr nMinusOne = NewBignum();
  BN_sub(nMinusOne.get(), nBn.get(), BN_value_one());
  const TvlPoint special[] = {TvlPoint{}, testsupport::MakeVl({1}),
                              testsupport::FromBignum(nMinusOne.get()), n};
  for (int round = 0; round < Rounds; ++round) {
    TvlPoint a = random_.UpTo(17);
    TvlPoint b = random_.UpTo(17);
    if (round % 10 == 0) a = special[random_.Below(4)];
    if (round % 10 == 1) b = special[random_.Below(4)];
    BnPtr expected = NewBignum();
    BN_mod_mul(expected.get(), ToBignum(a).get(), ToBignum(b).get(), nBn.get(), ctx_.get());
    TvlPoint product = random_.UpTo(TvlPoint::Capacity);  // old contents must not matter
    product.MulMod(a, b, n);
    ASSERT_TRUE(SameValue(product, expected.get())) << Describe(a) << " * " << Describe(b);
  }
}

TEST_F(VlPointOracle, MulModOtherModuliMatches) {
  for (int round = 0; round < Rounds / 10; ++round) {
    const TvlPoint m = random_.WithLength(1 + static_cast<std::int32_t>(random_.Below(18)));
    const TvlPoint a = random_.UpTo(18);
    const TvlPoint b = random_.UpTo(TvlPoint::Capacity);
    BnPtr expected = NewBignum();
    BN_mod_mul(expected.get(), ToBignum(a).get(), ToBignum(b).get(), ToBignum(m).get(), ctx_.get());
    TvlPoint product;
    product.MulMod(a, b, m);
    ASSERT_TRUE(SameValue(product, expected.get())) << "m = " << Describe(m);
  }
}

TEST_F(VlPointOracle, MulSmallMatches) {
  const std::int32_t edges[] = {0, 1, 2, 0xFFFF};
  for (int round = 0; round < Rounds; ++round) {
    const TvlPoint src = random_.UpTo(TvlPoint::Capacity - 1);
    const std::int32_t k = round % 2 == 0 ? edges[random_.Below(4)]
                                          : static_cast<std::int32_t>(random_.Below(0x10000));
    BnPtr expected = ToBignum(src);
    BN_mul_word(expected.get(), static_cast<BN_ULONG>(k));
    TvlPoint product = random_.UpTo(TvlPoint::Capacity);
    product.MulSmall(src, k);
    ASSERT_TRUE(SameValue(product, expected.get())) << Describe(src) << " * " << k;
    TvlPoint inPlace = src;
    inPlace.MulSmall(inPlace, k);
    ASSERT_TRUE(SameValue(inPlace, expected.get()));
  }
}

TEST_F(VlPointOracle, ShiftsMatch) {
  for (int round = 0; round < Rounds; ++round) {
    for (std::int32_t s : {1, 15, 16}) {
      const TvlPoint x = random_.UpTo(TvlPoint::Capacity);
      const BnPtr xBn = ToBignum(x);

      BnPtr right = NewBignum();
      BN_rshift(right.get(), xBn.get(), s);
      TvlPoint shifted = x;
      shifted.ShiftRight(s);
      ASSERT_TRUE(SameValue(shifted, right.get())) << Describe(x) << " >> " << s;

      // Left shifts keep the value modulo 2^304 (a 19-digit value may end with a zero top
      // digit, so normal form is checked only when there was room).
      BnPtr left = NewBignum();
      BN_lshift(left.get(), xBn.get(), s);
      BN_mask_bits(left.get(), 16 * TvlPoint::Capacity);
      shifted = x;
      shifted.ShiftLeft(s);
      if (x.Length() < TvlPoint::Capacity) {
        ASSERT_TRUE(SameValue(shifted, left.get())) << Describe(x) << " << " << s;
      } else {
        ASSERT_EQ(shifted.Length(), TvlPoint::Capacity);
        ASSERT_EQ(BN_cmp(ToBignum(shifted).get(), left.get()), 0) << Describe(x) << " << " << s;
      }
    }
  }
}

TEST_F(VlPointOracle, TestBitAndBitLengthMatch) {
  for (int round = 0; round < Rounds; ++round) {
    const TvlPoint x = random_.UpTo(TvlPoint::Capacity);
    const BnPtr xBn = ToBignum(x);
    ASSERT_EQ(x.BitLength(), BN_num_bits(xBn.get())) << Describe(x);
    for (int probe = 0; probe < 8; ++probe) {
      const auto i = static_cast<std::int32_t>(random_.Below(16 * TvlPoint::Capacity + 8)) - 4;
      const int expected = i >= 0 ? BN_is_bit_set(xBn.get(), i) : 0;
      ASSERT_EQ(x.TestBit(i), expected) << Describe(x) << " bit " << i;
    }
  }
}

}  // namespace
}  // namespace eccrypt
