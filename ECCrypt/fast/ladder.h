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
// x := the x coordinate of k * P for P a point of <G> other than the zero point, given with its
// y; k reduced mod n. With k = k1 + k2 lambda (SplitByEigenvalue), k P = k1 P + k2 psi(P): two
// ladders of kSplitBits steps instead of one of kLadderBits, worth it where the field steps both
// in one loop (FeLadderWalkTwoInOneLoop); the same x as LadderX(x, p.x, k).
void LadderXSplit(Fe& x, const AffinePoint& p, const Scalar& k);
// (x : z) := the x coordinate of p + q in projective form, for points of odd order (zero
// included); every case (equal, opposite, zero) in constant time.
void LdSumX(Fe& x, Fe& z, const LdPoint& p, const LdPoint& q);
// r := k * p, for p a point of odd order other than the zero point (x not zero), k reduced mod
// n; y recovered from the ladder's two outputs. k = 0 gives the zero point.
void LadderPoint(AffinePoint& r, const AffinePoint& p, const Scalar& k);

}  // namespace eccrypt::fast
