#pragma once
// Test support for the field: a plain reference arithmetic that shares nothing with TgfPoint
// (bitwise carry-less products instead of log tables), random reduced elements, and builders.
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <random>

#include "ECCrypt/field/gfPoint.h"

namespace eccrypt::testsupport {

constexpr std::size_t kDegree = 17;               // x^17 + x^3 + 1
using Poly = std::array<std::uint32_t, kDegree>;  // coefficient of x^i at index i

// Word i of an element (0 is the length, i >= 1 unit i), indexed by a plain int.
inline std::int32_t& U(TgfPoint& e, int i) {
  return e.Units[static_cast<std::size_t>(i)];
}
inline std::int32_t U(const TgfPoint& e, int i) {
  return e.Units[static_cast<std::size_t>(i)];
}

// Carry-less product of two units reduced modulo y^15 + y + 1 (y^15 = y + 1).
inline std::uint32_t RefUnitMul(std::uint32_t a, std::uint32_t b) {
  std::uint32_t r = 0;
  for (unsigned i = 0; i < 15; ++i) {
    if ((b >> i) & 1U) r ^= a << i;
  }
  for (unsigned k = 28; k >= 15; --k) {
    if ((r >> k) & 1U) r ^= (1U << k) | (1U << (k - 14)) | (1U << (k - 15));
  }
  return r;
}

// Schoolbook product of two polynomials over GF(2^15) reduced modulo x^17 + x^3 + 1.
inline Poly RefMul(const Poly& a, const Poly& b) {
  std::array<std::uint32_t, 2 * kDegree - 1> p{};
  for (std::size_t i = 0; i < kDegree; ++i) {
    for (std::size_t j = 0; j < kDegree; ++j) p[i + j] ^= RefUnitMul(a[i], b[j]);
  }
  for (std::size_t k = 2 * kDegree - 2; k >= kDegree; --k) {  // x^k = x^(k-14) + x^(k-17)
    p[k - 14] ^= p[k];
    p[k - 17] ^= p[k];
    p[k] = 0;
  }
  Poly r{};
  for (std::size_t i = 0; i < kDegree; ++i) r[i] = p[i];
  return r;
}

inline Poly RefAdd(const Poly& a, const Poly& b) {
  Poly r{};
  for (std::size_t i = 0; i < kDegree; ++i) r[i] = a[i] ^ b[i];
  return r;
}

// The polynomial of a reduced element; units above the length are ignored.
inline Poly ToPoly(const TgfPoint& e) {
  Poly r{};
  for (int i = 1; i <= U(e, 0); ++i)
    r[static_cast<std::size_t>(i - 1)] = static_cast<std::uint32_t>(U(e, i));
  return r;
}

// The reduced element of a polynomial: the length is that of the highest nonzero coefficient;
// all units above it are 0.
inline TgfPoint FromPoly(const Poly& p) {
  TgfPoint e;
  int len = 0;
  for (std::size_t i = 0; i < kDegree; ++i) {
    e.Units[i + 1] = static_cast<std::int32_t>(p[i]);
    if (p[i] != 0) len = static_cast<int>(i) + 1;
  }
  e.Units[0] = len;
  return e;
}

// An element with the given units (unit 1 first) and length = their count; other words 0.
inline TgfPoint Element(std::initializer_list<std::int32_t> units) {
  TgfPoint e;
  int i = 0;
  for (std::int32_t u : units) U(e, ++i) = u;
  e.Units[0] = i;
  return e;
}

// x^power as an element of length power + 1 (unreduced from power 17 on).
inline TgfPoint Monomial(int power) {
  TgfPoint e;
  e.Units[0] = power + 1;
  U(e, power + 1) = 1;
  return e;
}

// A random reduced element: mostly full length (17 units), sometimes shorter, never zero; the
// top unit is nonzero, lower units are zero now and then.
inline TgfPoint RandomElement(std::mt19937& rng) {
  std::uniform_int_distribution<std::int32_t> unit(1, 32767);
  std::uniform_int_distribution<int> coin(0, 7);
  std::uniform_int_distribution<int> shortLen(1, static_cast<int>(kDegree));
  const int len = coin(rng) == 0 ? shortLen(rng) : static_cast<int>(kDegree);
  TgfPoint e;
  for (int i = 1; i <= len; ++i) U(e, i) = coin(rng) == 0 && i < len ? 0 : unit(rng);
  e.Units[0] = len;
  return e;
}

// Writes junk into every word above the length, to see which words an operation writes.
inline void FillLeftovers(TgfPoint& e, std::int32_t junk) {
  for (int i = U(e, 0) + 1; i <= TgfPoint::MaxUnits; ++i) U(e, i) = junk;
}

}  // namespace eccrypt::testsupport
