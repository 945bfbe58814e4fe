#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Public scalars for verification: reduction mod n and signed-window recoding.
#include <array>
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/scalar.h"

namespace eccrypt::fast {

// Up to 242 signed digits: a scalar below n < 2^241 recodes into at most 242.
using Wnaf = std::array<std::int8_t, 256>;

// out := v mod n for any integer of up to 19 digits (words above the length word are ignored).
// Returns false for a length word outside 0..19.
bool ReduceModOrderVartime(std::uint64_t out[4], const TvlPoint& v);

// Width-w non-adjacent form of k < 2^255, w in 2..8: k = sum digits[i] 2^i, every nonzero digit
// odd and below 2^(w-1) in absolute value, at least w - 1 zeros after each. Returns the number of
// digits (one past the highest nonzero digit; 0 for k = 0).
int WnafVartime(Wnaf& digits, const std::uint64_t k[4], int w);

}  // namespace eccrypt::fast
