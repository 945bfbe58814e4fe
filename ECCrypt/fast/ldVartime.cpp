// The group law in Lopez-Dahab coordinates on y^2 + xy = x^3 + b (no x^2 term), for public
// data: no inversion per step; the exceptional cases are found by testing the formulas'
// intermediate values.
#include <array>

#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/feLdVartime.h"
#include "ECCrypt/fast/pointVartime.h"

namespace eccrypt::fast {

namespace {

// The sum of P and a point with the same x, found by the addition formulas' B = 0 (x1 = x2):
// 2P when A = 0 too (the points are equal), the zero point when they are opposite. Returns false,
// leaving r alone, in the ordinary case B != 0.
bool SumOfSameXVartime(LdPoint& r, const LdPoint& p, const Fe& a, const Fe& b) {
  if (!FeIsZeroVartime(b)) return false;
  if (FeIsZeroVartime(a)) {
    LdDoubleVartime(r, p);
  } else {
    r = LdZero;
  }
  return true;
}

}  // namespace

bool LdIsZeroVartime(const LdPoint& p) {
  return FeIsZeroVartime(p.Z);
}

void LdFromAffineVartime(LdPoint& r, const AffinePoint& p) {
  if (AffineIsZeroVartime(p)) {
    r = LdZero;
    return;
  }
  r.X = p.x;
  r.Y = p.y;
  r.Z = FeOne;
}

void LdToAffineBatchVartime(AffinePoint* out, const LdPoint* in, std::size_t count) {
  // Montgomery's trick over the nonzero Z: prefix[i] is the product of the nonzero Z before i.
  std::array<Fe, 256> prefix;
  Fe product = FeOne;
  for (std::size_t i = 0; i < count; ++i) {
    prefix[i] = product;
    if (!LdIsZeroVartime(in[i])) FeMul(product, product, in[i].Z);
  }
  Fe inverse;  // walking down: 1 / (product of the nonzero Z up to and including i)
  FeInvert(inverse, product);
  for (std::size_t i = count; i-- > 0;) {
    if (LdIsZeroVartime(in[i])) {
      out[i] = AffineZero;
      continue;
    }
    Fe zInv, zInv2;
    FeMul(zInv, inverse, prefix[i]);
    FeMul(inverse, inverse, in[i].Z);
    FeSqr(zInv2, zInv);
    FeMul(out[i].x, in[i].X, zInv);
    FeMul(out[i].y, in[i].Y, zInv2);
    out[i].infinity = 0;
  }
}

void LdDoubleVartime(LdPoint& r, const LdPoint& p) {
  // Z3 = X^2 Z^2, X3 = X^4 + b Z^4, Y3 = b Z^4 Z3 + X3 (Y^2 + b Z^4), b Z^4 = (sqrt(b) Z^2)^2.
  // X = 0 (the point of order 2) and Z = 0 both give Z3 = 0, the zero point, as they should.
  if (FeLdDoubleVartime(r, p)) return;
  Fe x2, z2, c, bz4, t;
  FeSqr(x2, p.X);
  FeSqr(z2, p.Z);
  FeMul(c, z2, kCurveSqrtB);
  FeSqr(bz4, c);
  FeSqr(t, p.Y);
  FeAdd(t, t, bz4);
  FeMul(r.Z, x2, z2);
  FeAdd(x2, x2, c);
  FeSqr(r.X, x2);
  FeMul(t, t, r.X);
  FeMul(c, bz4, r.Z);
  FeAdd(r.Y, c, t);
}

void LdAddAffineVartime(LdPoint& r, const LdPoint& p, const AffinePoint& q) {
  if (AffineIsZeroVartime(q)) {
    r = p;
    return;
  }
  if (LdIsZeroVartime(p)) {
    LdFromAffineVartime(r, q);
    return;
  }
  if (FeLdAddAffineVartime(r, p, q)) return;  // B != 0, below, on a path with the kernel
  // A = y2 Z1^2 + Y1, B = x2 Z1 + X1: B = 0 when the points have one x, and then A = 0 when
  // they are equal (a doubling), A != 0 when they are opposite (sum zero).
  Fe a, b, c, d, e, f, z3, t;
  FeSqr(t, p.Z);
  FeMul(a, q.y, t);
  FeAdd(a, a, p.Y);
  FeMul(b, q.x, p.Z);
  FeAdd(b, b, p.X);
  if (SumOfSameXVartime(r, p, a, b)) return;
  // C = Z1 B, D = B^2 C, Z3 = C^2, E = A C, X3 = A^2 + D + E, F = X3 + x2 Z3,
  // Y3 = (E + Z3) F + (x2 + y2) Z3^2.
  FeMul(c, p.Z, b);
  FeSqr(t, b);
  FeMul(d, t, c);
  FeSqr(z3, c);
  FeMul(e, a, c);
  FeSqr(t, a);
  FeAdd(t, t, d);
  FeAdd(r.X, t, e);
  FeMul(f, q.x, z3);
  FeAdd(f, f, r.X);
  FeAdd(e, e, z3);
  FeMul(e, e, f);
  FeSqr(t, z3);
  FeAdd(f, q.x, q.y);
  FeMul(t, t, f);
  FeAdd(r.Y, e, t);
  r.Z = z3;
}

void LdAddVartime(LdPoint& r, const LdPoint& p, const LdPoint& q) {
  if (LdIsZeroVartime(p)) {
    r = q;
    return;
  }
  if (LdIsZeroVartime(q)) {
    r = p;
    return;
  }
  // With U1 = X1 Z2, U2 = X2 Z1, S1 = Y1 Z2^2, S2 = Y2 Z1^2: x1 + x2 = B / (Z1 Z2) with
  // B = U1 + U2, and y1 + y2 = A / (Z1 Z2)^2 with A = S1 + S2. B = 0: the same x, a doubling when
  // A = 0 too, the zero point otherwise. The 18 products run as five rounds of independent ones
  // (FeMul4), squares among them.
  Fe r1[4];
  {
    const Fe a[4] = {p.X, q.X, p.Z, q.Z};
    const Fe b[4] = {q.Z, p.Z, p.Z, q.Z};
    FeMul4(r1, a, b);  // U1, U2, Z1^2, Z2^2
  }
  Fe b;
  FeAdd(b, r1[0], r1[1]);
  Fe r2[4];
  {
    const Fe a[4] = {p.Y, q.Y, p.Z, b};
    const Fe c[4] = {r1[3], r1[2], q.Z, b};
    FeMul4(r2, a, c);  // S1, S2, Z1 Z2, B^2
  }
  Fe a;
  FeAdd(a, r2[0], r2[1]);
  if (SumOfSameXVartime(r, p, a, b)) return;
  // lambda = A / C with C = Z1 Z2 B. Z3 = C^2, X3 = A^2 + A C + B^2 C,
  // Y3 = A C (U1 B C + X3) + Z3 (X3 + S1 B^2).
  Fe r3[4];
  {
    const Fe x[4] = {r2[2], a, r1[0], r2[0]};
    const Fe y[4] = {b, a, b, r2[3]};
    FeMul4(r3, x, y);  // C, A^2, U1 B, S1 B^2
  }
  const Fe& c = r3[0];
  Fe r4[4];
  {
    const Fe x[4] = {c, a, r2[3], r3[2]};
    const Fe y[4] = {c, c, c, c};
    FeMul4(r4, x, y);  // Z3 = C^2, E = A C, B^2 C, U1 B C
  }
  Fe x3;
  FeAdd(x3, r3[1], r4[1]);
  FeAdd(x3, x3, r4[2]);
  Fe r5[4];
  {
    Fe u, v;
    FeAdd(u, r4[3], x3);
    FeAdd(v, x3, r3[3]);
    const Fe x[4] = {r4[1], r4[0], FeZero, FeZero};
    const Fe y[4] = {u, v, FeZero, FeZero};
    FeMul4(r5, x, y);  // E (U1 B C + X3), Z3 (X3 + S1 B^2)
  }
  FeAdd(r.Y, r5[0], r5[1]);
  r.X = x3;
  r.Z = r4[0];
}

void LdFrobeniusVartime(LdPoint& r, const LdPoint& p, int k) {
  const Fe in[3] = {p.X, p.Y, p.Z};
  Fe out[3];
  FePsiPowersVartime(out, in, 3, k);
  r.X = out[0];
  r.Y = out[1];
  r.Z = out[2];
}

bool LdEqualsAffineVartime(const LdPoint& p, const AffinePoint& q) {
  if (LdIsZeroVartime(p) || AffineIsZeroVartime(q)) {
    return LdIsZeroVartime(p) && AffineIsZeroVartime(q);
  }
  // X = x Z and Y = y Z^2.
  Fe t, z2;
  FeMul(t, q.x, p.Z);
  if (!FeEqualVartime(t, p.X)) return false;
  FeSqr(z2, p.Z);
  FeMul(t, q.y, z2);
  return FeEqualVartime(t, p.Y);
}

void OddMultiplesVartime(AffinePoint* table, const AffinePoint& p, std::size_t count) {
  // 2 p stays projective: the odd multiples after 3 p take full additions, which cost less than
  // the inversion an affine 2 p would need. One shared inversion converts them all.
  std::array<LdPoint, 256> multiples;
  LdFromAffineVartime(multiples[0], p);
  if (count > 1) {
    LdPoint twice;
    LdDoubleVartime(twice, multiples[0]);
    LdAddAffineVartime(multiples[1], twice, p);
    for (std::size_t i = 2; i < count; ++i) LdAddVartime(multiples[i], multiples[i - 1], twice);
  }
  LdToAffineBatchVartime(table, multiples.data(), count);
}

}  // namespace eccrypt::fast
