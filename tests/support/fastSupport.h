#pragma once
// Test support for the fast engine: elements and points carried between the reference
// (TgfPoint, TecPoint) and the fast engine's polynomial basis (Fe, AffinePoint) through their
// integer forms, the reference engine selected for a scope, the points of the small subfield,
// and the scalars the differential tests run (edge values around 0 and n, and random values of
// each digit count a caller can pass).
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/limbs.h"
#include "ECCrypt/fast/point.h"
#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/fast/scalar.h"
#include "ECCrypt/pk/engineChoice.h"
#include "support/bignumOracle.h"
#include "support/curveSupport.h"

namespace eccrypt::testsupport {

// Runs TECCrypt on the reference engine while it lives, so that it can be the oracle.
class ReferenceEngineScope {
 public:
  ReferenceEngineScope() : previous_(ActiveEngine()) { SelectEngine(TEngine::Reference); }
  ReferenceEngineScope(const ReferenceEngineScope&) = delete;
  ReferenceEngineScope& operator=(const ReferenceEngineScope&) = delete;
  ~ReferenceEngineScope() { SelectEngine(previous_); }

 private:
  TEngine previous_;
};

inline fast::Fe ToFast(const TgfPoint& e) {
  TvlPoint v;
  e.ToInteger(v);
  fast::RefBits bits{};
  for (std::int32_t i = 1; i <= v.Length(); ++i) {
    bits.w[(i - 1) / 4] |= static_cast<std::uint64_t>(v.Words[static_cast<std::size_t>(i)])
                           << (16 * ((i - 1) % 4));
  }
  fast::Fe x;
  fast::FromReferenceBasis(x, bits);
  return x;
}

inline TgfPoint ToReference(const fast::Fe& x) {
  fast::RefBits bits;
  fast::ToReferenceBasis(bits, x);
  TvlPoint v;
  v.Words[0] = 16;
  for (std::size_t i = 1; i <= 16; ++i) {
    v.Words[i] = static_cast<std::int32_t>((bits.w[(i - 1) / 4] >> (16 * ((i - 1) % 4))) & 0xFFFF);
  }
  TgfPoint e;
  e.FromInteger(v);
  return e;
}

inline fast::AffinePoint ToFast(const TecPoint& p) {
  if (p.IsZero()) return fast::AffineZero;
  return fast::AffinePoint{ToFast(p.x), ToFast(p.y), 0};
}

inline TecPoint ToReference(const fast::AffinePoint& p) {
  TecPoint r;
  if (!fast::AffineIsZeroVartime(p)) {
    r.x = ToReference(p.x);
    r.y = ToReference(p.y);
  }
  return r;
}

inline ::testing::AssertionResult SamePoint(const fast::AffinePoint& actual,
                                            const TecPoint& expected) {
  return PointsEqual(ToReference(actual), expected);
}

// -P = (x, x + y).
inline TecPoint Negated(const TecPoint& p) {
  TecPoint r = p;
  r.y.Add(p.x, p.y);
  return r;
}

// The points other than the zero point with x a unit in 0..limit (both roots where there are
// two): all of them lie in E(GF(2^15)).
inline std::vector<TecPoint> SmallFieldPoints(std::int32_t limit) {
  std::vector<TecPoint> points;
  for (std::int32_t x = 0; x <= limit; ++x) {
    for (std::int32_t parity = 0; parity < 2; ++parity) {
      TecPoint t = UnitPoint(x, 0);
      if (!t.RecoverY(parity)) continue;
      if (parity == 1 && (x == 0 || t.y.UnitCount() == 0)) continue;  // only one point there
      points.push_back(t);
    }
  }
  return points;
}

inline TvlPoint FromBn(const BnPtr& b) {
  return FromBignum(b.get());
}

// v mod n, through the oracle.
inline TvlPoint ModN(const TvlPoint& v) {
  auto r = NewBignum();
  BnCtxPtr ctx{BN_CTX_new()};
  BN_mod(r.get(), ToBignum(v).get(), Order().get(), ctx.get());
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
  auto b = Order();
  if (delta >= 0) {
    BN_add_word(b.get(), static_cast<BN_ULONG>(delta));
  } else {
    BN_sub_word(b.get(), static_cast<BN_ULONG>(-delta));
  }
  return FromBn(b);
}
inline TvlPoint OrderTimes(unsigned j) {
  auto b = Order();
  BN_mul_word(b.get(), j);
  return FromBn(b);
}
inline TvlPoint AllOnes(int bits) {
  auto b = NewBignum();
  BN_set_bit(b.get(), bits);
  BN_sub_word(b.get(), 1);
  return FromBn(b);
}

// 2^bits - n.
inline TvlPoint TwoPowerMinusOrder(int bits) {
  auto b = NewBignum();
  BN_set_bit(b.get(), bits);
  BN_sub(b.get(), b.get(), Order().get());
  return FromBn(b);
}

// A random integer of exactly `digits` 16-bit digits.
inline TvlPoint RandomDigits(std::mt19937_64& rng, int digits) {
  auto b = NewBignum();
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
      {"0", Small(0)},
      {"1", Small(1)},
      {"2", Small(2)},
      {"n-1", OrderPlus(-1)},
      {"n", OrderPlus(0)},
      {"n+1", OrderPlus(1)},
      {"2n", OrderTimes(2)},
      {"65535n", OrderTimes(65535)},
      {"2^240-1", AllOnes(240)},
      {"2^241-1", AllOnes(241)},
      // The fixed-base windows add 2^240 G to an accumulator already equal to it (a doubling).
      {"2^241-n", TwoPowerMinusOrder(241)},
      {"random 240 bits", RandomBelowPowerOfTwo(rng, 240)},
  };
  for (int digits = 17; digits <= maxDigits; ++digits) {
    for (int i = 0; i < 2; ++i) {
      s.push_back(
          {std::to_string(digits) + " digits #" + std::to_string(i), RandomDigits(rng, digits)});
    }
  }
  return s;
}

}  // namespace eccrypt::testsupport
