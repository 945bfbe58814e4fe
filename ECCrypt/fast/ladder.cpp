// The Montgomery ladder on x coordinates (López–Dahab), for the secret-scalar multiplications
// of a variable point.
//
// Invariant: (X1 : Z1) = j * P and (X2 : Z2) = (j + 1) * P, j the scalar's bits read so far;
// the difference of the two is always P, whose x the addition formula uses. The walk starts
// from the zero point (1 : 0) and P, so leading zero bits need no special case, and runs a fixed
// kLadderBits steps. Each step swaps the pair by the scalar bit (masked), then adds and doubles:
//   addition:  Z = (X1 Z2 + X2 Z1)^2, X = x Z + (X1 Z2)(X2 Z1)
//   doubling:  Z = (X1 Z1)^2,         X = (X1 + c Z1)^4 with c^4 = b
// which is 6 multiplications and 4 squarings, run as two rounds of four independent
// multiplications and one round of squarings by the field's ladder kernel (FeLadderWalk). The
// zero point and every sum equal to it (Z = 0) fall out of the same formulas.
#include "ECCrypt/fast/ladder.h"

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/feLadder.h"

namespace eccrypt::fast {
namespace {

// c = b^(1/4), so that X^4 + b Z^4 = (X + c Z)^4.
const Fe& FourthRootOfB() {
  static const Fe root = [] {
    Fe r;
    FeSqrt(r, kCurveSqrtB);
    return r;
  }();
  return root;
}

using LadderState = FeLadderPair;

// s := (k P, (k + 1) P) in projective x coordinates, P given by its x.
void Walk(LadderState& s, const Fe& px, const Scalar& k) {
  s.x1 = FeOne;
  s.z1 = FeZero;
  s.x2 = px;
  s.z2 = FeOne;
  FeLadderWalk(s, px, FourthRootOfB(), k.w, kLadderBits);
}

}  // namespace

void LadderX(Fe& x, const Fe& px, const Scalar& k) {
  LadderState s;
  Walk(s, px, k);
  Fe zi;
  FeInvert(zi, s.z1);  // 0 for the zero point, so x = 0 there
  FeMul(x, s.x1, zi);
  SecureWipe(&s, sizeof(s));
  SecureWipe(&zi, sizeof(zi));
}

void LadderPoint(AffinePoint& r, const AffinePoint& p, const Scalar& k) {
  LadderState s;
  Walk(s, p.x, k);
  // y recovery, with x1 = X1/Z1 (k P) and x2 = X2/Z2 ((k + 1) P):
  //   y1 = (x1 + x) ((x1 + x)(x2 + x) + x^2 + y) / x + y.
  // Over the common denominator D = x Z1^2 Z2, with A = X1 + x Z1, B = X2 + x Z2 and
  // N = A B + (x^2 + y) Z1 Z2: x1 = X1 (x Z1 Z2) / D and y1 = A N / D + y.
  // Z1 = 0 is the zero point; Z2 = 0 means k P = -P = (x, x + y). Both are selected by mask.
  Fe a[4], b[4], o[4];
  a[0] = p.x;  // x Z1
  b[0] = s.z1;
  a[1] = p.x;  // x Z2
  b[1] = s.z2;
  a[2] = s.z1;  // Z1 Z2
  b[2] = s.z2;
  a[3] = p.x;  // x^2
  b[3] = p.x;
  FeMul4(o, a, b);
  Fe capA, capB, x2y, z1z2 = o[2];
  FeAdd(capA, s.x1, o[0]);
  FeAdd(capB, s.x2, o[1]);
  FeAdd(x2y, o[3], p.y);

  a[0] = capA;  // A B
  b[0] = capB;
  a[1] = x2y;  // (x^2 + y) Z1 Z2
  b[1] = z1z2;
  a[2] = p.x;  // x Z1 Z2
  b[2] = z1z2;
  a[3] = FeZero;
  b[3] = FeZero;
  FeMul4(o, a, b);
  Fe n, xz1z2 = o[2];
  FeAdd(n, o[0], o[1]);

  Fe d, di;
  FeMul(d, xz1z2, s.z1);
  FeInvert(di, d);

  a[0] = capA;  // A N
  b[0] = n;
  a[1] = s.x1;  // X1 x Z1 Z2
  b[1] = xz1z2;
  FeMul4(o, a, b);
  a[0] = o[0];
  b[0] = di;
  a[1] = o[1];
  b[1] = di;
  FeMul4(o, a, b);

  AffinePoint general;
  general.x = o[1];
  FeAdd(general.y, o[0], p.y);
  general.infinity = 0;
  AffinePoint minusP;
  AffineNegate(minusP, p);
  const std::uint64_t z1Zero = FeIsZeroMask(s.z1);
  const std::uint64_t z2Zero = FeIsZeroMask(s.z2);
  AffineSelect(r, z2Zero, minusP, general);
  AffineSelect(r, z1Zero, AffineZero, r);

  SecureWipe(&s, sizeof(s));
  SecureWipe(a, sizeof(a));
  SecureWipe(b, sizeof(b));
  SecureWipe(o, sizeof(o));
  SecureWipe(&capA, sizeof(capA));
  SecureWipe(&capB, sizeof(capB));
  SecureWipe(&n, sizeof(n));
  SecureWipe(&d, sizeof(d));
  SecureWipe(&di, sizeof(di));
  SecureWipe(&general, sizeof(general));
}

}  // namespace eccrypt::fast
