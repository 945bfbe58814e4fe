#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Fe: an element of GF(2^255) in a polynomial basis, GF(2)[t]/(t^255 + t^52 + 1).
//
// This is the same field as the reference TgfPoint (every field of 2^255 elements is one field);
// basis.h maps between the two representations. The trinomial's irreducibility is proved by
// tests/unit/fast (t^(2^255) = t and gcd(t^(2^(255/p)) - t, f) = 1 for p in 3, 5, 17).
//
// Representation: four 64-bit words, word 0 lowest; bit i of the 256 is the coefficient of t^i.
// Every function accepts any 256 bits (bit 255 stands for t^255 = t^52 + 1) and returns the
// canonical form, bit 255 clear. Outputs may alias inputs. All functions are constant time
// unless their name ends in Vartime.
//
// Multiplication and squaring are dispatched once, at first use, from CPUID: a carry-less
// multiply path (PCLMULQDQ; several elements side by side with VPCLMULQDQ where available), one
// of 32-bit integer products in vector lanes (WebAssembly with SIMD) or a portable one.
// FeImplementation says which one runs.
#include <cstdint>

#include "ECCrypt/fast/ct.h"

namespace eccrypt::fast {

struct Fe {
  std::uint64_t w[4];
};

inline constexpr Fe FeZero{{0, 0, 0, 0}};
inline constexpr Fe FeOne{{1, 0, 0, 0}};

inline void FeAdd(Fe& r, const Fe& a, const Fe& b) {
  for (int i = 0; i < 4; ++i) r.w[i] = a.w[i] ^ b.w[i];
}

// r := a * b.
void FeMul(Fe& r, const Fe& a, const Fe& b);
// r := a^2.
void FeSqr(Fe& r, const Fe& a);
// r := a^(2^n); n is public.
void FeSqrN(Fe& r, const Fe& a, int n);
// Four independent products r[i] := a[i] * b[i] (resp. squares), side by side where the machine
// can. r may alias a or b element by element.
void FeMul4(Fe r[4], const Fe a[4], const Fe b[4]);
void FeSqr4(Fe r[4], const Fe a[4]);

// r := 1 / a, by a fixed addition chain (a^(2^255 - 2)); 0 maps to 0.
void FeInvert(Fe& r, const Fe& a);
// r := the square root of a (a^(2^254)).
void FeSqrt(Fe& r, const Fe& a);
// The absolute trace Tr(a) = a + a^2 + ... + a^(2^254), 0 or 1.
std::uint64_t FeTrace(const Fe& a);
// r := the half-trace of a, sum of a^(4^i) for i = 0..127: when Tr(a) = 0 it solves
// z^2 + z = a (the other root is z + 1).
void FeHalfTrace(Fe& r, const Fe& a);

// All-ones when a is zero (any of its 256-bit spellings), else zero.
inline std::uint64_t FeIsZeroMask(const Fe& a) {
  // The only nonzero spelling of zero is t^255 + t^52 + 1.
  const std::uint64_t top = a.w[3] >> 63;
  const std::uint64_t low = a.w[0] ^ top ^ (top << 52);
  return CtIsZeroMask(low | a.w[1] | a.w[2] | (a.w[3] & ~(std::uint64_t{1} << 63)));
}
// All-ones when a == b as field elements.
inline std::uint64_t FeEqualMask(const Fe& a, const Fe& b) {
  Fe d;
  FeAdd(d, a, b);
  return FeIsZeroMask(d);
}
// Swaps a and b when mask is all-ones.
inline void FeCondSwap(Fe& a, Fe& b, std::uint64_t mask) {
  for (int i = 0; i < 4; ++i) CtSwap(mask, a.w[i], b.w[i]);
}
// r := mask ? a : b.
inline void FeSelect(Fe& r, std::uint64_t mask, const Fe& a, const Fe& b) {
  for (int i = 0; i < 4; ++i) r.w[i] = CtSelect(mask, a.w[i], b.w[i]);
}

// Which multiplication path runs: "vpclmulqdq", "pclmulqdq", "lanes" or "portable".
const char* FeImplementation();
// For tests and benchmarks: run the named path from now on (false if this CPU lacks it).
bool FeUseImplementation(const char* name);

}  // namespace eccrypt::fast
