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

// Products in rounds of independent ones, four lanes at a time: Round<N> holds N operand pairs
// (N a multiple of 4) and multiplies them all; its memory is wiped when it goes.
template <std::size_t N>
struct Round {
  Fe a[N], b[N], o[N];
  void Run() {
    for (std::size_t i = 0; i < N; i += 4) FeMul4(o + i, a + i, b + i);
  }
  ~Round() { SecureWipe(this, sizeof(*this)); }
};

// r[i] := m_i B_i in Lopez-Dahab coordinates from ladder i's pair ((X1 : Z1) = m_i B_i,
// (X2 : Z2) = (m_i + 1) B_i) and B_i = (x, y), for i = 0, 1 side by side. With A = X1 + x Z1,
// B = X2 + x Z2, N = A B + (x^2 + y) Z1 Z2 and D = x Z1^2 Z2 (LadderPoint's recovery):
// x1 = X1 / Z1 = (X1 Z2)(x Z1) / D and y1 = A N / D + y, so (X1 Z2 x Z1, D (A N + y D), D) is
// the point. Four rounds: (x Z1, x Z2, Z1 Z2, X1 Z2), then (A B, (x^2 + y) Z1 Z2, X, D), then
// (A N, y D), then Y. Z1 = 0 is the zero point and Z2 = 0 means m_i B_i = -B_i, both chosen by
// mask.
void RecoverPoints(LdPoint r[2], const LadderState s[2], const AffinePoint base[2]) {
  Round<8> first;
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t j = 4 * i;
    first.a[j] = base[i].x;
    first.b[j] = s[i].z1;
    first.a[j + 1] = base[i].x;
    first.b[j + 1] = s[i].z2;
    first.a[j + 2] = s[i].z1;
    first.b[j + 2] = s[i].z2;
    first.a[j + 3] = s[i].x1;
    first.b[j + 3] = s[i].z2;
  }
  first.Run();
  Round<8> second;
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t j = 4 * i;
    FeAdd(second.a[j], s[i].x1, first.o[j]);  // A B
    FeAdd(second.b[j], s[i].x2, first.o[j + 1]);
    FeSqr(second.a[j + 1], base[i].x);  // (x^2 + y) Z1 Z2
    FeAdd(second.a[j + 1], second.a[j + 1], base[i].y);
    second.b[j + 1] = first.o[j + 2];
    second.a[j + 2] = first.o[j + 3];  // X = (X1 Z2)(x Z1)
    second.b[j + 2] = first.o[j];
    second.a[j + 3] = first.o[j];  // D = (x Z1)(Z1 Z2)
    second.b[j + 3] = first.o[j + 2];
  }
  second.Run();
  Round<4> third;
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t j = 4 * i;
    third.a[2 * i] = second.a[j];  // A N
    FeAdd(third.b[2 * i], second.o[j], second.o[j + 1]);
    third.a[2 * i + 1] = base[i].y;  // y D
    third.b[2 * i + 1] = second.o[j + 3];
  }
  third.Run();
  Round<4> fourth;
  for (std::size_t i = 0; i < 2; ++i) {  // D (A N + y D)
    FeAdd(fourth.a[i], third.o[2 * i], third.o[2 * i + 1]);
    fourth.b[i] = second.o[4 * i + 3];
  }
  fourth.Run();
  for (std::size_t i = 0; i < 2; ++i) {
    const LdPoint general{second.o[4 * i + 2], fourth.o[i], second.o[4 * i + 3]};
    LdPoint minusBase{base[i].x, FeZero, FeOne};
    FeAdd(minusBase.Y, base[i].x, base[i].y);
    LdSelect(r[i], FeIsZeroMask(s[i].z2), minusBase, general);
    LdSelect(r[i], FeIsZeroMask(s[i].z1), LdZero, r[i]);
    SecureWipe(&minusBase, sizeof(minusBase));
  }
}

}  // namespace

// (X : Z) := the x coordinate of p + q, for any two points of odd order (the zero point
// included) in Lopez-Dahab coordinates, in constant time. With U1 = X1 Z2, U2 = X2 Z1,
// A = Y1 Z2^2 + Y2 Z1^2, B = U1 + U2 and T = Z1 Z2, the affine sum has x = (A^2 + A (T B) +
// B^2 (T B)) / (T B)^2, in three rounds: (U1, U2, X1 Z1, c Z1, T, Y1 Z2^2, Y2 Z1^2), then T B,
// then A (T B) and B^2 (T B). B = 0 means equal x: the doubling (X1 + c Z1)^4 : (X1 Z1)^2 when
// A = 0 too, else the zero point (1 : 0); a zero point among p, q gives the other's x. Every
// case is computed and chosen by mask.
void LdSumX(Fe& xOut, Fe& zOut, const LdPoint& p, const LdPoint& q) {
  Round<8> first;
  first.a[0] = p.X;
  first.b[0] = q.Z;
  first.a[1] = q.X;
  first.b[1] = p.Z;
  first.a[2] = p.X;
  first.b[2] = p.Z;
  first.a[3] = FourthRootOfB();
  first.b[3] = p.Z;
  first.a[4] = p.Z;
  first.b[4] = q.Z;
  first.a[5] = p.Y;
  FeSqr(first.b[5], q.Z);
  first.a[6] = q.Y;
  FeSqr(first.b[6], p.Z);
  first.a[7] = FeZero;
  first.b[7] = FeZero;
  first.Run();
  Fe capA, capB, tb, x, z, dblX, dblZ;
  FeAdd(capB, first.o[0], first.o[1]);
  FeAdd(capA, first.o[5], first.o[6]);
  FeMul(tb, first.o[4], capB);
  Round<4> third;
  third.a[0] = capA;
  third.b[0] = tb;
  FeSqr(third.a[1], capB);
  third.b[1] = tb;
  third.a[2] = third.b[2] = third.a[3] = third.b[3] = FeZero;
  third.Run();
  FeSqr(x, capA);
  FeAdd(x, x, third.o[0]);
  FeAdd(x, x, third.o[1]);
  FeSqr(z, tb);
  FeSqr(dblZ, first.o[2]);
  FeAdd(dblX, p.X, first.o[3]);
  FeSqr(dblX, dblX);
  FeSqr(dblX, dblX);

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
  SecureWipe(&capA, sizeof(capA));
  SecureWipe(&capB, sizeof(capB));
  SecureWipe(&tb, sizeof(tb));
  SecureWipe(&x, sizeof(x));
  SecureWipe(&z, sizeof(z));
  SecureWipe(&dblX, sizeof(dblX));
  SecureWipe(&dblZ, sizeof(dblZ));
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
