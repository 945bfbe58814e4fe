#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Conversions between TvlPoint (16-bit digits in int32 words, Words[0] the length) and
// fixed-size little-endian arrays of 64-bit limbs, in constant time.
//
// Reading takes digits 1..L and ignores the words above L, whatever they hold; every one of the
// 19 digit words is visited and kept or dropped with a mask, so not even the length steers the
// addresses read. Digits that do not fit in the limbs are dropped (callers pass values that fit).
// Writing produces normal form: the length is that of the value (so it depends on the value,
// as the length of the text the integer becomes does), and every digit word above it is zero.
#include <cstddef>
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/ct.h"

namespace eccrypt::fast {

// All-ones when a <= b, for a and b in 0..2^62.
inline std::uint64_t CtLessOrEqualMask(std::int64_t a, std::int64_t b) {
  return ~CtMaskFromBit(static_cast<std::uint64_t>(b - a) >> 63);
}

// out[0..n-1] := digits 1..L of v; digits beyond 4n are dropped.
inline void LimbsFromVl(std::uint64_t* out, std::size_t n, const TvlPoint& v) {
  for (std::size_t i = 0; i < n; ++i) out[i] = 0;
  const std::int64_t len = v.Words[0];
  for (std::size_t i = 1; i <= static_cast<std::size_t>(TvlPoint::Capacity) && i <= 4 * n; ++i) {
    const std::uint64_t keep = CtLessOrEqualMask(static_cast<std::int64_t>(i), len);
    const std::uint64_t digit = static_cast<std::uint64_t>(v.Words[i]) & 0xFFFF;
    out[(i - 1) / 4] |= (digit & keep) << (16 * ((i - 1) % 4));
  }
}

// v := the value of in[0..n-1] in normal form. The value must fit in 19 digits: limb bits above
// digit 19 are dropped.
inline void LimbsToVl(TvlPoint& v, const std::uint64_t* in, std::size_t n) {
  std::uint64_t len = 0;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(TvlPoint::Capacity); ++i) {
    const std::uint64_t digit = i <= 4 * n ? (in[(i - 1) / 4] >> (16 * ((i - 1) % 4))) & 0xFFFF : 0;
    v.Words[i] = static_cast<std::int32_t>(digit);
    len = CtSelect(~CtIsZeroMask(digit), i, len);
  }
  v.Words[0] = static_cast<std::int32_t>(len);
}

// The same for the fixed arrays the engine uses (RefBits::w, Fe::w, Scalar::w).
template <std::size_t N>
inline void LimbsFromVl(std::uint64_t (&out)[N], const TvlPoint& v) {
  LimbsFromVl(out, N, v);
}
template <std::size_t N>
inline void LimbsToVl(TvlPoint& v, const std::uint64_t (&in)[N]) {
  LimbsToVl(v, in, N);
}

}  // namespace eccrypt::fast
