#pragma once
// Test support for the fast engine's public-data paths: points moved between the reference
// (TecPoint) and the polynomial basis (AffinePoint) through the integer forms.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/point.h"
#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/pk/engineChoice.h"
#include "unit/support/curveSupport.h"

namespace eccrypt::fasttest {

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
  return curvetest::PointsEqual(ToReference(actual), expected);
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
      TecPoint t = curvetest::UnitPoint(x, 0);
      if (!t.RecoverY(parity)) continue;
      if (parity == 1 && (x == 0 || t.y.UnitCount() == 0)) continue;  // only one point there
      points.push_back(t);
    }
  }
  return points;
}

}  // namespace eccrypt::fasttest
