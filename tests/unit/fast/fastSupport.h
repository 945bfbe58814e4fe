#pragma once
// Test support for the fast engine's point code: points carried between the reference TecPoint
// and the fast AffinePoint through their integer forms, and the scalars the differential tests
// run (edge values around 0 and n, and random values of each digit count a caller can pass).
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <random>
#include <string>
#include <vector>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/fast/limbs.h"
#include "ECCrypt/fast/point.h"
#include "ECCrypt/fast/scalar.h"
#include "unit/support/bignumOracle.h"
#include "unit/support/curveSupport.h"

namespace eccrypt::fasttest {

inline fast::AffinePoint ToFast(const TecPoint& p) {
  TvlPoint x, y;
  p.x.ToInteger(x);
  p.y.ToInteger(y);
  fast::AffinePoint r;
  fast::FeFromInteger(r.x, x);
  fast::FeFromInteger(r.y, y);
  r.infinity = p.IsZero() ? ~std::uint64_t{0} : 0;
  return r;
}

inline TecPoint FromFast(const fast::AffinePoint& p) {
  TvlPoint x, y;
  fast::XToInteger(x, p.x);
  fast::XToInteger(y, p.y);
  TecPoint r;
  r.x.FromInteger(x);
  r.y.FromInteger(y);
  return r;
}

inline TvlPoint FromBn(const oracle::BnPtr& b) {
  return oracle::FromBignum(b.get());
}

// v mod n, through the oracle.
inline TvlPoint ModN(const TvlPoint& v) {
  auto r = oracle::NewBignum();
  oracle::BnCtxPtr ctx{BN_CTX_new()};
  BN_mod(r.get(), oracle::ToBignum(v).get(), curvetest::Order().get(), ctx.get());
  return FromBn(r);
}

// k mod n as the engine's Scalar, reduced by the oracle.
inline fast::Scalar ReducedScalar(const TvlPoint& k) {
  fast::Scalar s;
  fast::LimbsFromVl(s.w, 4, ModN(k));
  return s;
}

struct NamedScalar {
  std::string name;
  TvlPoint value;
};

// n + delta for small delta (may be negative), j * n, and 2^bits - 1.
inline TvlPoint OrderPlus(long delta) {
  auto b = curvetest::Order();
  if (delta >= 0) {
    BN_add_word(b.get(), static_cast<BN_ULONG>(delta));
  } else {
    BN_sub_word(b.get(), static_cast<BN_ULONG>(-delta));
  }
  return FromBn(b);
}
inline TvlPoint OrderTimes(unsigned j) {
  auto b = curvetest::Order();
  BN_mul_word(b.get(), j);
  return FromBn(b);
}
inline TvlPoint AllOnes(int bits) {
  auto b = oracle::NewBignum();
  BN_set_bit(b.get(), bits);
  BN_sub_word(b.get(), 1);
  return FromBn(b);
}

// 2^bits - n.
inline TvlPoint TwoPowerMinusOrder(int bits) {
  auto b = oracle::NewBignum();
  BN_set_bit(b.get(), bits);
  BN_sub(b.get(), b.get(), curvetest::Order().get());
  return FromBn(b);
}

// A random integer of exactly `digits` 16-bit digits.
inline TvlPoint RandomDigits(std::mt19937_64& rng, int digits) {
  auto b = oracle::NewBignum();
  for (int i = 0; i < 16 * digits - 1; ++i) {
    if ((rng() & 1) != 0) BN_set_bit(b.get(), i);
  }
  BN_set_bit(b.get(), 16 * digits - 1);
  return FromBn(b);
}

// Scalars of up to `maxDigits` digits: the edges and random values of 17 digits and more.
inline std::vector<NamedScalar> EdgeScalars(int maxDigits) {
  std::mt19937_64 rng(77);
  std::vector<NamedScalar> s = {
      {"0", curvetest::Small(0)},
      {"1", curvetest::Small(1)},
      {"2", curvetest::Small(2)},
      {"n-1", OrderPlus(-1)},
      {"n", OrderPlus(0)},
      {"n+1", OrderPlus(1)},
      {"2n", OrderTimes(2)},
      {"65535n", OrderTimes(65535)},
      {"2^240-1", AllOnes(240)},
      {"2^241-1", AllOnes(241)},
      // The fixed-base windows add 2^240 G to an accumulator already equal to it (a doubling).
      {"2^241-n", TwoPowerMinusOrder(241)},
      {"random 240 bits", curvetest::RandomBelowPowerOfTwo(rng, 240)},
  };
  for (int digits = 17; digits <= maxDigits; ++digits) {
    for (int i = 0; i < 2; ++i) {
      s.push_back(
          {std::to_string(digits) + " digits #" + std::to_string(i), RandomDigits(rng, digits)});
    }
  }
  return s;
}

}  // namespace eccrypt::fasttest
