// Point arithmetic for the fast engine: López–Dahab doubling and mixed addition, complete in
// constant time, and the integer forms of points.
#include "ECCrypt/fast/point.h"

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/limbs.h"

namespace eccrypt::fast {

void AffineNegate(AffinePoint& r, const AffinePoint& p) {
  r.x = p.x;
  FeAdd(r.y, p.x, p.y);
  r.infinity = p.infinity;
}

void AffineSelect(AffinePoint& r, std::uint64_t mask, const AffinePoint& a, const AffinePoint& b) {
  FeSelect(r.x, mask, a.x, b.x);
  FeSelect(r.y, mask, a.y, b.y);
  r.infinity = CtSelect(mask, a.infinity, b.infinity);
}

void LdSelect(LdPoint& r, std::uint64_t mask, const LdPoint& a, const LdPoint& b) {
  FeSelect(r.X, mask, a.X, b.X);
  FeSelect(r.Y, mask, a.Y, b.Y);
  FeSelect(r.Z, mask, a.Z, b.Z);
}

void LdToAffine(AffinePoint& r, const LdPoint& p) {
  // x = X / Z, y = Y / Z^2. Z = 0 inverts to 0, which gives x = y = 0: the zero point's form.
  Fe zi, zi2;
  FeInvert(zi, p.Z);
  FeSqr(zi2, zi);
  FeMul(r.x, p.X, zi);
  FeMul(r.y, p.Y, zi2);
  r.infinity = FeIsZeroMask(p.Z);
  SecureWipe(&zi, sizeof(zi));
  SecureWipe(&zi2, sizeof(zi2));
}

void LdFromAffine(LdPoint& r, const AffinePoint& p) {
  FeSelect(r.X, p.infinity, FeOne, p.x);
  FeSelect(r.Y, p.infinity, FeZero, p.y);
  FeSelect(r.Z, p.infinity, FeZero, FeOne);
}

void LdAddAffine(LdPoint& r, const LdPoint& p, const AffinePoint& q) {
  // Mixed addition for a = 0 (q has Z = 1):
  //   A = y2 Z1^2 + Y1, B = x2 Z1 + X1, C = Z1 B, D = B^2 C, Z3 = C^2, E = A C,
  //   X3 = A^2 + D + E, F = X3 + x2 Z3, G = (x2 + y2) Z3^2, Y3 = (E + Z3) F + G.
  // B = 0 means q has p's x: A = 0 is q = p (the formula gives 0/0, so the doubling is taken),
  // otherwise q = -p and Z3 = C^2 = 0 is already the zero point. p the zero point gives q; q the
  // zero point gives p. Every result is computed and the right one selected with masks.
  // Temporaries are left on the stack for the caller's ScrubStack (scrub.h).
  //
  // The doubling of p (a = 0): Z3' = X1^2 Z1^2, X3' = X1^4 + b Z1^4, Y3' = b Z1^4 Z3' +
  // X3' (Y1^2 + b Z1^4), with b Z1^4 = (sqrt(b) Z1^2)^2 and X1^4 + b Z1^4 =
  // (X1^2 + sqrt(b) Z1^2)^2. A Z = 0 input and the point of order 2 (X = 0) give Z3' = 0. Its
  // products fill the free lanes of the addition's rounds of
  // four independent products: six rounds in all, squares taken as products.
  Fe a[4], b[4], o[4];
  // Round 1: Z1^2, x2 Z1, X1^2, Y1^2.
  a[0] = p.Z, b[0] = p.Z;
  a[1] = q.x, b[1] = p.Z;
  a[2] = p.X, b[2] = p.X;
  a[3] = p.Y, b[3] = p.Y;
  FeMul4(o, a, b);
  const Fe z1sq = o[0], x1sq = o[2], y1sq = o[3];
  Fe capB;
  FeAdd(capB, o[1], p.X);
  // Round 2: y2 Z1^2, C = Z1 B, B^2, s = sqrt(b) Z1^2.
  a[0] = q.y, b[0] = z1sq;
  a[1] = p.Z, b[1] = capB;
  a[2] = capB, b[2] = capB;
  a[3] = kCurveSqrtB, b[3] = z1sq;
  FeMul4(o, a, b);
  Fe capA, t;
  FeAdd(capA, o[0], p.Y);
  const Fe c = o[1], bsq = o[2], sb = o[3];
  FeAdd(t, x1sq, sb);
  // Round 3: D = B^2 C, Z3 = C^2, E = A C, A^2.
  a[0] = bsq, b[0] = c;
  a[1] = c, b[1] = c;
  a[2] = capA, b[2] = c;
  a[3] = capA, b[3] = capA;
  FeMul4(o, a, b);
  const Fe z3 = o[1], e = o[2];
  Fe x3;
  FeAdd(x3, o[3], o[0]);
  FeAdd(x3, x3, e);
  // Round 4: x2 Z3, Z3^2, b Z1^4 = s^2, X3' = (X1^2 + s)^2 (the doubling's X).
  a[0] = q.x, b[0] = z3;
  a[1] = z3, b[1] = z3;
  a[2] = sb, b[2] = sb;
  a[3] = t, b[3] = t;
  FeMul4(o, a, b);
  Fe f, u, ez3, x2y2;
  FeAdd(f, x3, o[0]);
  const Fe z3sq = o[1], bz4 = o[2], x3d = o[3];
  FeAdd(u, y1sq, bz4);
  FeAdd(ez3, e, z3);
  FeAdd(x2y2, q.x, q.y);
  // Round 5: G = (x2 + y2) Z3^2, (E + Z3) F, Z3' = X1^2 Z1^2, X3' (Y1^2 + b Z1^4).
  a[0] = x2y2, b[0] = z3sq;
  a[1] = ez3, b[1] = f;
  a[2] = x1sq, b[2] = z1sq;
  a[3] = x3d, b[3] = u;
  FeMul4(o, a, b);
  LdPoint sum{x3, FeZero, z3};
  FeAdd(sum.Y, o[0], o[1]);
  LdPoint twice{x3d, FeZero, o[2]};
  // Round 6: b Z1^4 Z3'; Y3' = that + X3' (Y1^2 + b Z1^4).
  Fe w;
  FeMul(w, bz4, twice.Z);
  FeAdd(twice.Y, w, o[3]);

  LdPoint qProjective;
  LdFromAffine(qProjective, q);
  const std::uint64_t pZero = FeIsZeroMask(p.Z);
  const std::uint64_t same = FeIsZeroMask(capA) & FeIsZeroMask(capB) & ~pZero;
  LdPoint out;
  LdSelect(out, same, twice, sum);
  LdSelect(out, pZero, qProjective, out);
  LdSelect(r, q.infinity, p, out);
}

namespace {

// out := the 256-bit value in in[0..3] in normal form, every digit word above it zero.
void WordsToInteger(TvlPoint& out, const std::uint64_t in[4]) {
  LimbsToVl(out, in, 4);
}

}  // namespace

void XToInteger(TvlPoint& out, const Fe& x) {
  RefBits bits;
  ToReferenceBasis(bits, x);
  WordsToInteger(out, bits.w);
  SecureWipe(&bits, sizeof(bits));
}

namespace {

// out := 2 * X + parity for x not zero; for x = 0, 1 when y is not zero (a point of order 2)
// and 0 when it is; 0 whenever infinity is all-ones.
void WriteCompressed(TvlPoint& out, const Fe& x, std::uint64_t parity, std::uint64_t yNonZero,
                     std::uint64_t infinity) {
  RefBits bits;
  ToReferenceBasis(bits, x);
  std::uint64_t v[4];
  v[3] = (bits.w[3] << 1) | (bits.w[2] >> 63);
  v[2] = (bits.w[2] << 1) | (bits.w[1] >> 63);
  v[1] = (bits.w[1] << 1) | (bits.w[0] >> 63);
  v[0] = (bits.w[0] << 1) | (parity & 1);
  v[0] = CtSelect(FeIsZeroMask(x), yNonZero & 1, v[0]);
  for (int i = 0; i < 4; ++i) v[i] &= ~infinity;
  WordsToInteger(out, v);
  SecureWipe(&bits, sizeof(bits));
  SecureWipe(v, sizeof(v));
}

}  // namespace

void CompressToInteger(TvlPoint& out, const AffinePoint& p) {
  // parity = low bit of the integer form of y / x; x = 0 inverts to 0, so y / x is 0 there.
  Fe xi, ratio;
  FeInvert(xi, p.x);
  FeMul(ratio, p.y, xi);
  WriteCompressed(out, p.x, ReferenceLowBit(ratio), ~FeIsZeroMask(p.y), p.infinity);
  SecureWipe(&xi, sizeof(xi));
  SecureWipe(&ratio, sizeof(ratio));
}

void CompressLdToInteger(TvlPoint& out, const LdPoint& p) {
  // With i = 1 / (X Z): x = X / Z = X^2 i and y / x = (Y / Z^2) / (X / Z) = Y i. X = 0 or Z = 0
  // inverts to 0: then x = 0, and y is zero exactly when Y is (Z not zero).
  Fe xz, i, x, ratio;
  FeMul(xz, p.X, p.Z);
  FeInvert(i, xz);
  FeSqr(x, p.X);
  FeMul(x, x, i);
  FeMul(ratio, p.Y, i);
  WriteCompressed(out, x, ReferenceLowBit(ratio), ~FeIsZeroMask(p.Y), FeIsZeroMask(p.Z));
  SecureWipe(&xz, sizeof(xz));
  SecureWipe(&i, sizeof(i));
  SecureWipe(&x, sizeof(x));
  SecureWipe(&ratio, sizeof(ratio));
}

void FeFromInteger(Fe& x, const TvlPoint& v) {
  RefBits bits{};
  LimbsFromVl(bits.w, 4, v);
  bits.w[3] &= ~(std::uint64_t{1} << 63);
  FromReferenceBasis(x, bits);
  SecureWipe(&bits, sizeof(bits));
}

void XFromCompressed(Fe& x, const TvlPoint& v) {
  RefBits bits{};
  LimbsFromVl(bits.w, 4, v);
  for (int i = 0; i < 3; ++i) bits.w[i] = (bits.w[i] >> 1) | (bits.w[i + 1] << 63);
  bits.w[3] >>= 1;
  FromReferenceBasis(x, bits);
  SecureWipe(&bits, sizeof(bits));
}

}  // namespace eccrypt::fast
