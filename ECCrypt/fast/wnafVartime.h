#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Public scalars for verification: reduction mod n and signed-window recoding.
#include <array>
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::fast {

// Up to 242 signed digits: a scalar below n < 2^241 recodes into at most 242.
using Wnaf = std::array<std::int8_t, 256>;

// out := v mod n for any integer of up to 19 digits (words above the length word are ignored).
// Returns false for a length word outside 0..19.
bool ReduceModOrderVartime(std::uint64_t out[4], const TvlPoint& v);

// k = k1 + k2 lambda mod n (lambda the eigenvalue of psi on <G>, verifyTables.h), k1 and k2 of
// about 121 bits: their magnitudes in magnitude[0], magnitude[1] (four words each, the top two
// zero) and their signs in negative[0], negative[1].
struct SplitScalar {
  std::uint64_t magnitude[2][4];
  bool negative[2];
};
// k below 2^256.
void SplitByEigenvalueVartime(SplitScalar& out, const std::uint64_t k[4]);

// Width-w non-adjacent form of k < 2^255, w in 2..8: k = sum digits[i] 2^i, every nonzero digit
// odd and below 2^(w-1) in absolute value, at least w - 1 zeros after each. Returns the number of
// digits (one past the highest nonzero digit; 0 for k = 0).
int WnafVartime(Wnaf& digits, const std::uint64_t k[4], int w);

}  // namespace eccrypt::fast
