// The group check without a multiplication by n.
//
// Why Phi(P) = P + psi(P) + psi^2(P) + ... + psi^16(P) is the zero point exactly for P in <G>,
// with psi(x, y) = (x^q, y^q), q = 2^15:
//
// 1. b = 161 lies in GF(2^15) (the curve's coefficients 1 and b are fixed by x -> x^q), so
//    psi maps curve points to curve points, and as a power of the Frobenius map it is a group
//    endomorphism. Since x^(2^255) = x on GF(2^255), psi^17 is the identity.
// 2. The points psi fixes are E(GF(2^15)), a subgroup of 32460 points: trace t = q + 1 - 32460
//    = 309 (tests/unit/fast count the points with GF(2^15) arithmetic of their own). The whole
//    group has 32460 * n points with n prime and n not dividing 32460, so it is the direct sum
//    E(GF(2^15)) + <G>, and <G> is its only subgroup of order n.
// 3. psi keeps <G> (it maps points of order n to points of order n), so psi(G) = lambda * G for
//    some lambda mod n. As every Frobenius, psi^2 - t psi + q = 0 on the curve, hence
//    lambda^2 - 309 lambda + 2^15 = 0 mod n, and psi^17 = 1 gives lambda^17 = 1 mod n.
//    lambda = 1 would put G in E(GF(2^15)), whose order 32460 n does not divide; so lambda is a
//    primitive 17th root of unity (17 is prime) and lambda - 1 is invertible mod n. The tests
//    derive lambda from n and 309 and check psi(G) = lambda * G.
// 4. On <G>: Phi(k G) = (1 + lambda + ... + lambda^16) k G = (lambda^17 - 1) / (lambda - 1) k G
//    = O. On E(GF(2^15)): Phi(T) = 17 T, and 17 does not divide 32460 = 4 * 3 * 5 * 541, so
//    17 T = O only for T = O. Writing P = T + k G by step 2, Phi(P) = 17 T: zero exactly when
//    T = O, that is when P lies in <G>.
//
// Computing Phi: S1 = P + psi(P), S2 = S1 + psi^2(S1), S3 = S2 + psi^4(S2),
// S4 = S3 + psi^8(S3) = P + psi(P) + ... + psi^15(P). Then Phi(P) = S4 + psi^16(P), and since
// psi is a bijection, Phi(P) = O exactly when psi(Phi(P)) = psi(S4) + P is O, that is when
// psi(S4) = -P. Four additions and 16 Frobenius maps in all, in Lopez-Dahab coordinates (the
// Frobenius map acts on X, Y and Z alike), so that no step pays an inversion. Every addition
// here may meet an exceptional case on hostile input (P in E(GF(2^15)) gives psi(P) = P, a
// doubling; sums may be opposite or zero); the additions of pointVartime.h handle them all.
#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/fast/publicVartime.h"

namespace eccrypt::fast {

bool InGroupVartime(const AffinePoint& p) {
  if (AffineIsZeroVartime(p)) return true;
  AffinePoint psi;
  AffineFrobeniusVartime(psi, p, 1);
  LdPoint s, t;
  LdFromAffineVartime(s, p);
  LdAddAffineVartime(s, s, psi);
  for (int k = 2; k <= 8; k *= 2) {
    LdFrobeniusVartime(t, s, k);
    LdAddVartime(s, s, t);
  }
  LdFrobeniusVartime(t, s, 1);
  AffinePoint minus;
  AffineNegateVartime(minus, p);
  return LdEqualsAffineVartime(t, minus);
}

bool IsCompressedGroupPointVartime(const TvlPoint& v) {
  AffinePoint p;
  return DecompressForGroupCheckVartime(p, v) && !AffineIsZeroVartime(p) && InGroupVartime(p);
}

}  // namespace eccrypt::fast
