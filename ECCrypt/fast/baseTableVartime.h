#pragma once
// The odd multiples of the base point G and of psi(G) that verification adds from, affine
// (baseOddMultiples.cpp, written by tools/gen_verify_table.py).
#include <cstddef>

#include "ECCrypt/fast/point.h"

namespace eccrypt::fast {

// Width of the signed windows for the G side: digits are odd, below 2^(BaseWindow - 1) in size.
inline constexpr int BaseWindow = 8;
inline constexpr std::size_t BaseTableSize = std::size_t{1} << (BaseWindow - 2);

// [0][i] = (2 i + 1) G, [1][i] = (2 i + 1) psi(G), for i < BaseTableSize; never the zero point.
extern const AffinePoint kBaseOddMultiples[2][BaseTableSize];

}  // namespace eccrypt::fast
