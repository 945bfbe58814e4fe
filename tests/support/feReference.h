#pragma once
// Test support for the fast field: a slow, bit-by-bit arithmetic modulo t^255 + t^52 + 1 that
// shares no code with ECCrypt/fast, random and edge elements.
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "ECCrypt/fast/fe.h"

namespace eccrypt::testsupport {

using fast::Fe;

inline bool GetBit(const std::uint64_t* w, int i) {
  return ((w[i / 64] >> (i % 64)) & 1U) != 0;
}
inline void FlipBit(std::uint64_t* w, int i) {
  w[i / 64] ^= std::uint64_t{1} << (i % 64);
}

// p (512 bits) reduced bit by bit from the top: t^i = t^(i-203) + t^(i-255) for i >= 255.
inline Fe RefReduce(std::array<std::uint64_t, 8> p) {
  for (int i = 511; i >= 255; --i) {
    if (GetBit(p.data(), i)) {
      FlipBit(p.data(), i);
      FlipBit(p.data(), i - 203);
      FlipBit(p.data(), i - 255);
    }
  }
  return Fe{{p[0], p[1], p[2], p[3]}};
}

inline Fe RefCanonical(const Fe& a) {
  return RefReduce({a.w[0], a.w[1], a.w[2], a.w[3]});
}

// Schoolbook product, one bit pair at a time.
inline Fe RefMul(const Fe& a, const Fe& b) {
  std::array<std::uint64_t, 8> p{};
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 256; ++j) {
      if (GetBit(a.w, i) && GetBit(b.w, j)) FlipBit(p.data(), i + j);
    }
  }
  return RefReduce(p);
}

// Squaring: coefficient i moves to 2i.
inline Fe RefSqr(const Fe& a) {
  std::array<std::uint64_t, 8> p{};
  for (int i = 0; i < 256; ++i) {
    if (GetBit(a.w, i)) FlipBit(p.data(), 2 * i);
  }
  return RefReduce(p);
}

inline Fe RefSqrN(Fe a, int n) {
  a = RefCanonical(a);
  for (int i = 0; i < n; ++i) a = RefSqr(a);
  return a;
}

inline Fe RefAdd(const Fe& a, const Fe& b) {
  return Fe{{a.w[0] ^ b.w[0], a.w[1] ^ b.w[1], a.w[2] ^ b.w[2], a.w[3] ^ b.w[3]}};
}

// Tr(a) = a + a^2 + ... + a^(2^254), straight from the definition.
inline Fe RefTrace(const Fe& a) {
  Fe sum{};
  Fe v = RefCanonical(a);
  for (int i = 0; i < 255; ++i) {
    sum = RefAdd(sum, v);
    v = RefSqr(v);
  }
  return sum;
}

inline Fe FeMonomial(int i) {
  Fe e{};
  FlipBit(e.w, i);
  return e;
}

inline bool Same(const Fe& a, const Fe& b) {
  return a.w[0] == b.w[0] && a.w[1] == b.w[1] && a.w[2] == b.w[2] && a.w[3] == b.w[3];
}

// Any 256 bits, bit 255 included.
inline Fe RandomFe(std::mt19937_64& rng) {
  return Fe{{rng(), rng(), rng(), rng()}};
}

// Elements where carries, folds and the top bit go wrong first.
inline std::vector<Fe> EdgeElements() {
  const std::uint64_t ones = ~std::uint64_t{0};
  const std::uint64_t top = std::uint64_t{1} << 63;
  return {
      Fe{{0, 0, 0, 0}},
      Fe{{1, 0, 0, 0}},
      Fe{{ones, ones, ones, ones}},                   // bit 255 set
      Fe{{ones, ones, ones, ones >> 1}},              // every coordinate of the canonical form
      Fe{{0, 0, 0, top >> 1}},                        // t^254
      Fe{{0, 0, 0, top}},                             // t^255 = t^52 + 1
      Fe{{1 | (std::uint64_t{1} << 52), 0, 0, top}},  // t^255 + t^52 + 1, a spelling of 0
      Fe{{0, 0, 0, 1}},                               // t^192
      Fe{{top, top, top, top}},
  };
}

}  // namespace eccrypt::testsupport
