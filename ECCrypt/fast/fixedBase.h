#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Secret-scalar multiplication of the base point G: fixed windows over a precomputed table of
// multiples of G, constant time in the scalar.
#include "ECCrypt/fast/point.h"
#include "ECCrypt/fast/scalar.h"

namespace eccrypt::fast {

// r := k * G, k reduced mod n (below 2^241). k = 0 gives the zero point.
void BaseMultiply(AffinePoint& r, const Scalar& k);
// The same in López–Dahab coordinates, before the inversion.
void BaseMultiplyProjective(LdPoint& r, const Scalar& k);

}  // namespace eccrypt::fast
