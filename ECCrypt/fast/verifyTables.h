#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Constants of signature verification (verifyTables.cpp, written by tools/gen_verify_table.py):
// the odd multiples of G and of psi(G) that it adds from, and the eigenvalue lambda of psi on
// <G> (psi(P) = lambda P) with a short basis to split scalars by it.
#include <cstddef>
#include <cstdint>

#include "ECCrypt/fast/point.h"

namespace eccrypt::fast {

// Width of the signed windows for the G side: digits are odd, below 2^(BaseWindow - 1) in size.
inline constexpr int BaseWindow = 8;
inline constexpr std::size_t BaseTableSize = std::size_t{1} << (BaseWindow - 2);

// [0][i] = (2 i + 1) G, [1][i] = (2 i + 1) psi(G), for i < BaseTableSize; never the zero point.
extern const AffinePoint kBaseOddMultiples[2][BaseTableSize];

// lambda, below n, four words (word 0 lowest).
extern const std::uint64_t kEigenvalue[4];

// Two vectors (a1, b1), (a2, b2) of the lattice a + b lambda = 0 mod n, of about 121 bits each
// and with a1 b2 - a2 b1 = n,
// as 128-bit two's complement (word 0 lowest); and g1 = round(2^256 b2 / n),
// g2 = round(-2^256 b1 / n) by magnitude (three words) and sign.
struct EigenSplit {
  std::uint64_t a1[2], b1[2], a2[2], b2[2];
  std::uint64_t g1[3], g2[3];
  bool g1Negative, g2Negative;
};
extern const EigenSplit kEigenSplit;

}  // namespace eccrypt::fast
