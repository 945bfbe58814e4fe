#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Curve points for the fast engine: y^2 + xy = x^3 + b over Fe's field (a = 0).
//
// AffinePoint carries the zero point explicitly: infinity is an all-ones mask for the zero point
// (its x and y are then zero) and zero for every other point. The pair x = 0, y = 0 is not on
// the curve, but the integer forms write the zero point that way; the mask keeps the two apart
// without a branch. LdPoint is a point in López–Dahab projective coordinates, x = X / Z and
// y = Y / Z^2; Z = 0 is the zero point (canonically X = 1, Y = 0). Constant time unless the name
// ends in Vartime.
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/fe.h"

namespace eccrypt::fast {

struct AffinePoint {
  Fe x, y;
  std::uint64_t infinity;  // all-ones: the zero point (x = y = 0); zero: the point (x, y)
};

struct LdPoint {
  Fe X, Y, Z;
};

inline constexpr AffinePoint AffineZero{FeZero, FeZero, ~std::uint64_t{0}};
inline constexpr LdPoint LdZero{FeOne, FeZero, FeZero};

// -P = (x, x + y); the zero point stays the zero point.
void AffineNegate(AffinePoint& r, const AffinePoint& p);
// r := mask ? a : b.
void AffineSelect(AffinePoint& r, std::uint64_t mask, const AffinePoint& a, const AffinePoint& b);
void LdSelect(LdPoint& r, std::uint64_t mask, const LdPoint& a, const LdPoint& b);

// The affine form of p (one inversion); Z = 0 gives AffineZero.
void LdToAffine(AffinePoint& r, const LdPoint& p);
// The projective form of p (Z = 1, or LdZero).
void LdFromAffine(LdPoint& r, const AffinePoint& p);
// r := p + q for every pair: the zero point on either side, q = p (doubling), q = -p. r may
// alias p.
// It runs in loops and does not wipe its temporaries: a caller with secret operands calls
// ScrubStack (scrub.h) when its loop is done.
void LdAddAffine(LdPoint& r, const LdPoint& p, const AffinePoint& q);

// The integer form of x (255 bits), written into out in normal form; its length depends on x.
void XToInteger(TvlPoint& out, const Fe& x);
// The compressed form of p: 2 * X + parity, parity bit 0 of the reference integer form of y/x;
// 1 for x = 0 and y not zero; 0 for the zero point. Normal form.
void CompressToInteger(TvlPoint& out, const AffinePoint& p);
// The same for p in projective coordinates, with one inversion in all.
void CompressLdToInteger(TvlPoint& out, const LdPoint& p);
// x := the element whose integer form is v (v below 2^255; bits at 255 and above are ignored).
// Constant time in v's digits; v's length word only bounds which digits are read.
void FeFromInteger(Fe& x, const TvlPoint& v);
// x := the x coordinate a compressed value v (below 2^256) carries: the element whose integer
// form is v div 2. Constant time like FeFromInteger.
void XFromCompressed(Fe& x, const TvlPoint& v);

}  // namespace eccrypt::fast
