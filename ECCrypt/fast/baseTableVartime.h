#pragma once
// The odd multiples G, 3G, 5G, ... of the base point that verification adds from, affine.
#include <cstddef>

#include "ECCrypt/fast/point.h"

namespace eccrypt::fast {

// Width of the signed windows for s * G: digits are odd, below 2^(BaseWindow - 1) in size.
inline constexpr int BaseWindow = 8;
inline constexpr std::size_t BaseTableSize = std::size_t{1} << (BaseWindow - 2);

// Entry i is (2 i + 1) G, for i < BaseTableSize.
const AffinePoint* BaseOddMultiples();

}  // namespace eccrypt::fast
