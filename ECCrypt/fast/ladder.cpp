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
#include "ECCrypt/fast/pointVartime.h"

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

// out[i] := a[i] b[i] for i < count (at most 8), four at a time.
void MulMany(Fe* out, const Fe* a, const Fe* b, std::size_t count) {
  for (std::size_t i = 0; i < count; i += 4) {
    Fe ra[4] = {FeZero, FeZero, FeZero, FeZero}, rb[4] = {FeZero, FeZero, FeZero, FeZero}, ro[4];
    for (std::size_t j = 0; j < 4 && i + j < count; ++j) {
      ra[j] = a[i + j];
      rb[j] = b[i + j];
    }
    FeMul4(ro, ra, rb);
    for (std::size_t j = 0; j < 4 && i + j < count; ++j) out[i + j] = ro[j];
    SecureWipe(ra, sizeof(ra));
    SecureWipe(rb, sizeof(rb));
    SecureWipe(ro, sizeof(ro));
  }
}

// r[i] := m_i B_i in Lopez-Dahab coordinates from ladder i's pair ((X1 : Z1) = m_i B_i,
// (X2 : Z2) = (m_i + 1) B_i) and B_i = (x, y), for i = 0, 1 side by side. With A = X1 + x Z1,
// B = X2 + x Z2, N = A B + (x^2 + y) Z1 Z2 and D = x Z1^2 Z2 (LadderPoint's recovery):
// x1 = X1 (x Z1 Z2) / D and y1 = A N / D + y, so (X1 x Z1 Z2, D (A N + y D), D) is the point.
// Z1 = 0 is the zero point and Z2 = 0 means m_i B_i = -B_i, both chosen by mask.
void RecoverPoints(LdPoint r[2], const LadderState s[2], const AffinePoint base[2]) {
  Fe a[8], b[8], o[8];
  for (int i = 0; i < 2; ++i) {  // x Z1, x Z2, Z1 Z2
    a[3 * i] = base[i].x;
    b[3 * i] = s[i].z1;
    a[3 * i + 1] = base[i].x;
    b[3 * i + 1] = s[i].z2;
    a[3 * i + 2] = s[i].z1;
    b[3 * i + 2] = s[i].z2;
  }
  MulMany(o, a, b, 6);
  Fe capA[2], z1z2[2];
  for (int i = 0; i < 2; ++i) {  // A B, (x^2 + y) Z1 Z2, x Z1 Z2
    FeAdd(capA[i], s[i].x1, o[3 * i]);
    FeAdd(b[3 * i], s[i].x2, o[3 * i + 1]);
    z1z2[i] = o[3 * i + 2];
    a[3 * i] = capA[i];
    FeSqr(a[3 * i + 1], base[i].x);
    FeAdd(a[3 * i + 1], a[3 * i + 1], base[i].y);
    b[3 * i + 1] = z1z2[i];
    a[3 * i + 2] = base[i].x;
    b[3 * i + 2] = z1z2[i];
  }
  MulMany(o, a, b, 6);
  for (int i = 0; i < 2; ++i) {  // D = (x Z1 Z2) Z1, X1 (x Z1 Z2), A N
    const Fe w = o[3 * i + 2];
    FeAdd(b[3 * i + 2], o[3 * i], o[3 * i + 1]);  // N
    a[3 * i] = w;
    b[3 * i] = s[i].z1;
    a[3 * i + 1] = s[i].x1;
    b[3 * i + 1] = w;
    a[3 * i + 2] = capA[i];
  }
  MulMany(o, a, b, 6);
  Fe d[2], xr[2], an[2];
  for (int i = 0; i < 2; ++i) {
    d[i] = o[3 * i];
    xr[i] = o[3 * i + 1];
    an[i] = o[3 * i + 2];
    a[i] = base[i].y;
    b[i] = d[i];
  }
  MulMany(o, a, b, 2);  // y D
  for (int i = 0; i < 2; ++i) {
    FeAdd(a[i], an[i], o[i]);
    b[i] = d[i];
  }
  MulMany(o, a, b, 2);  // D (A N + y D)
  for (int i = 0; i < 2; ++i) {
    const LdPoint general{xr[i], o[i], d[i]};
    LdPoint minusBase{base[i].x, FeZero, FeOne};
    FeAdd(minusBase.Y, base[i].x, base[i].y);
    LdSelect(r[i], FeIsZeroMask(s[i].z2), minusBase, general);
    LdSelect(r[i], FeIsZeroMask(s[i].z1), LdZero, r[i]);
    SecureWipe(&minusBase, sizeof(minusBase));
  }
  SecureWipe(a, sizeof(a));
  SecureWipe(b, sizeof(b));
  SecureWipe(o, sizeof(o));
  SecureWipe(capA, sizeof(capA));
  SecureWipe(z1z2, sizeof(z1z2));
  SecureWipe(d, sizeof(d));
  SecureWipe(xr, sizeof(xr));
  SecureWipe(an, sizeof(an));
}

}  // namespace

// (X : Z) := the x coordinate of p + q, for any two points of odd order (the zero point
// included) in Lopez-Dahab coordinates, in constant time. With U1 = X1 Z2, U2 = X2 Z1,
// A = Y1 Z2^2 + Y2 Z1^2, B = U1 + U2 and C = Z1 Z2 B: X = A^2 + A C + B^2 C, Z = C^2. B = 0 means
// equal x: the doubling (X1 + c Z1)^4 : (X1 Z1)^2 when A = 0 too, else the zero point (1 : 0);
// a zero point among p, q gives the other's x. Every case is computed and chosen by mask.
void LdSumX(Fe& xOut, Fe& zOut, const LdPoint& p, const LdPoint& q) {
  Fe a[8], b[8], o[8];
  a[0] = p.X;  // U1, U2, Z1^2, Z2^2, X1 Z1, c Z1
  b[0] = q.Z;
  a[1] = q.X;
  b[1] = p.Z;
  a[2] = p.Z;
  b[2] = p.Z;
  a[3] = q.Z;
  b[3] = q.Z;
  a[4] = p.X;
  b[4] = p.Z;
  a[5] = FourthRootOfB();
  b[5] = p.Z;
  MulMany(o, a, b, 6);
  Fe capB, dblX, dblZ;
  FeAdd(capB, o[0], o[1]);
  FeSqr(dblZ, o[4]);
  FeAdd(dblX, p.X, o[5]);
  FeSqr(dblX, dblX);
  FeSqr(dblX, dblX);
  a[0] = p.Y;  // S1, S2, Z1 Z2
  b[0] = o[3];
  a[1] = q.Y;
  b[1] = o[2];
  a[2] = p.Z;
  b[2] = q.Z;
  MulMany(o, a, b, 3);
  Fe capA, c;
  FeAdd(capA, o[0], o[1]);
  FeMul(c, o[2], capB);
  Fe x, z, t;
  FeSqr(t, capB);
  a[0] = capA;  // A C, B^2 C
  b[0] = c;
  a[1] = t;
  b[1] = c;
  MulMany(o, a, b, 2);
  FeSqr(x, capA);
  FeAdd(x, x, o[0]);
  FeAdd(x, x, o[1]);
  FeSqr(z, c);

  const std::uint64_t sameX = FeIsZeroMask(capB);
  const std::uint64_t sameY = FeIsZeroMask(capA);
  FeSelect(x, sameX & sameY, dblX, x);
  FeSelect(z, sameX & sameY, dblZ, z);
  FeSelect(x, sameX & ~sameY, FeOne, x);
  FeSelect(z, sameX & ~sameY, FeZero, z);
  const std::uint64_t qZero = FeIsZeroMask(q.Z);
  FeSelect(x, qZero, p.X, x);
  FeSelect(z, qZero, p.Z, z);
  const std::uint64_t pZero = FeIsZeroMask(p.Z);
  FeSelect(xOut, pZero, q.X, x);
  FeSelect(zOut, pZero, q.Z, z);
  SecureWipe(a, sizeof(a));
  SecureWipe(b, sizeof(b));
  SecureWipe(o, sizeof(o));
  SecureWipe(&capA, sizeof(capA));
  SecureWipe(&capB, sizeof(capB));
  SecureWipe(&c, sizeof(c));
  SecureWipe(&dblX, sizeof(dblX));
  SecureWipe(&dblZ, sizeof(dblZ));
  SecureWipe(&x, sizeof(x));
  SecureWipe(&z, sizeof(z));
  SecureWipe(&t, sizeof(t));
}

void LadderXSplit(Fe& x, const AffinePoint& p, const Scalar& k) {
  SplitScalar split;
  SplitByEigenvalue(split, k.w);
  AffinePoint base[2];
  base[0] = p;
  AffineFrobeniusVartime(base[1], p, 1);  // psi(P): P is public
  for (int i = 0; i < 2; ++i) {           // B_i = -B_i for a negative k_i: (x, y) -> (x, x + y)
    Fe negated;
    FeAdd(negated, base[i].x, base[i].y);
    FeSelect(base[i].y, split.negative[i], negated, base[i].y);
    SecureWipe(&negated, sizeof(negated));
  }
  LadderState s[2] = {{FeOne, FeZero, base[0].x, FeOne}, {FeOne, FeZero, base[1].x, FeOne}};
  FeLadderWalkTwo(s[0], base[0].x, s[1], base[1].x, FourthRootOfB(), split.magnitude[0],
                  split.magnitude[1], kSplitBits);
  LdPoint r[2];
  RecoverPoints(r, s, base);
  Fe sumX, sumZ, zi;
  LdSumX(sumX, sumZ, r[0], r[1]);
  FeInvert(zi, sumZ);  // 0 for the zero point, so x = 0 there
  FeMul(x, sumX, zi);
  SecureWipe(&split, sizeof(split));
  SecureWipe(base, sizeof(base));
  SecureWipe(s, sizeof(s));
  SecureWipe(r, sizeof(r));
  SecureWipe(&sumX, sizeof(sumX));
  SecureWipe(&sumZ, sizeof(sumZ));
  SecureWipe(&zi, sizeof(zi));
}

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
