#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The group law for computations on public data only (decompression, the group check,
// signature verification), on point.h's AffinePoint and LdPoint.
//
// Every function here takes variable time: it branches on the coordinates. Each handles every
// case of the group law, since hostile inputs are exactly where the exceptional cases meet: the
// zero point on either side, equal points (a doubling), opposite points (sum zero) and the point
// (0, sqrt(b)) of order 2 (doubles to zero). Outputs may alias inputs.
#include <cstddef>

#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/point.h"

namespace eccrypt::fast {

bool FeEqualVartime(const Fe& a, const Fe& b);
bool FeIsZeroVartime(const Fe& a);
// r := a^(2^(15 k)), k >= 0: for k = 2, 4 and 8 (the powers of psi the group check applies) one
// pass over a precomputed matrix where the field path takes runs of squarings that way.
void FePsiPowerVartime(Fe& r, const Fe& a, int k);
// r[i] := a[i]^(2^(15 k)) for i < count (at most 4), sharing one pass over the matrix where the
// path applies matrices in wide registers; r may alias a.
void FePsiPowersVartime(Fe* r, const Fe* a, std::size_t count, int k);

inline bool AffineIsZeroVartime(const AffinePoint& p) {
  return p.infinity != 0;
}
// r := -p = (x, x + y).
void AffineNegateVartime(AffinePoint& r, const AffinePoint& p);
// Whether p and q are the same point.
bool AffineEqualVartime(const AffinePoint& p, const AffinePoint& q);
// Whether p satisfies the curve equation (the zero point does).
bool AffineOnCurveVartime(const AffinePoint& p);
// r := 2 p (one inversion).
void AffineDoubleVartime(AffinePoint& r, const AffinePoint& p);
// r := p + q (one inversion).
void AffineAddVartime(AffinePoint& r, const AffinePoint& p, const AffinePoint& q);
// r := psi^k(p) = (x^(2^(15 k)), y^(2^(15 k))), the 2^15-power Frobenius map applied k times.
// It maps the curve to itself because b lies in GF(2^15); psi^17 is the identity.
void AffineFrobeniusVartime(AffinePoint& r, const AffinePoint& p, int k);

bool LdIsZeroVartime(const LdPoint& p);
// r := p with Z = 1 (LdZero for the zero point).
void LdFromAffineVartime(LdPoint& r, const AffinePoint& p);
// r := 2 p (4 multiplications, 4 squarings).
void LdDoubleVartime(LdPoint& r, const LdPoint& p);
// r := p + q, q affine (8 multiplications, 5 squarings).
void LdAddAffineVartime(LdPoint& r, const LdPoint& p, const AffinePoint& q);
// r := p + q (13 multiplications, 5 squarings). r may be p or q.
void LdAddVartime(LdPoint& r, const LdPoint& p, const LdPoint& q);
// r := psi^k(p), coordinate by coordinate (the Frobenius map commutes with x = X / Z, y = Y / Z^2).
void LdFrobeniusVartime(LdPoint& r, const LdPoint& p, int k);
// Whether p is the affine point q.
bool LdEqualsAffineVartime(const LdPoint& p, const AffinePoint& q);
// out[i] := the affine form of in[i] for i < count, one inversion for all; count <= 256.
void LdToAffineBatchVartime(AffinePoint* out, const LdPoint* in, std::size_t count);

// table[i] := (2 i + 1) p for i < count, affine; count in 1..256.
void OddMultiplesVartime(AffinePoint* table, const AffinePoint& p, std::size_t count);

}  // namespace eccrypt::fast
