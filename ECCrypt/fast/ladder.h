#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Secret-scalar multiplication of a variable point: the x-only Montgomery ladder in López–Dahab
// projective coordinates, constant time in the scalar and the point.
#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/point.h"
#include "ECCrypt/fast/scalar.h"

namespace eccrypt::fast {

// Bits the ladder walks: every reduced scalar is below n < 2^241.
inline constexpr int kLadderBits = 241;

// x := the x coordinate of k * P, where px is the x coordinate of P, a point of odd order
// (px is not zero); k must be reduced mod n. The zero point gives x = 0.
void LadderX(Fe& x, const Fe& px, const Scalar& k);
// r := k * p, for p a point of odd order other than the zero point (x not zero), k reduced mod
// n; y recovered from the ladder's two outputs. k = 0 gives the zero point.
void LadderPoint(AffinePoint& r, const AffinePoint& p, const Scalar& k);

}  // namespace eccrypt::fast
