// Decompression of public values: the compressed form 2 * X + parity back to a point, X the
// integer form of x in the reference basis and parity the reference low bit of y / x.
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/integerWords.h"
#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/fast/publicVartime.h"

namespace eccrypt::fast {

bool DecompressVartime(AffinePoint& p, const TvlPoint& v) {
  std::uint64_t w[4];
  if (!IntegerToWordsVartime(w, v)) return false;  // 2^256 or more
  const std::uint64_t parity = w[0] & 1;
  RefBits bits;
  for (int i = 0; i < 3; ++i) bits.w[i] = (w[i] >> 1) | (w[i + 1] << 63);
  bits.w[3] = w[3] >> 1;
  FromReferenceBasis(p.x, bits);
  p.infinity = 0;
  if (FeIsZeroVartime(p.x)) {
    // 0 is the zero point, 1 the point (0, sqrt(b)) of order 2.
    if (parity == 0) {
      p = AffineZero;
    } else {
      p.y = kCurveSqrtB;
    }
    return true;
  }
  Fe x2, a, t;
  FeSqr(x2, p.x);
  FeMul(a, x2, p.x);
  if (FeEqualVartime(a, kCurveB)) {
    p.y = FeZero;  // x^3 = b: the one point with this x has y = 0, whatever the parity
    return true;
  }
  // Dividing the curve equation by x^2: z^2 + z = x + b / x^2 with z = y / x. It has roots
  // exactly when the trace of the right side is 0; the half-trace is one root, z + 1 the other.
  FeInvert(t, x2);
  FeMul(a, t, kCurveB);
  FeAdd(a, a, p.x);
  if (FeTrace(a) != 0) return false;
  Fe z;
  FeHalfTrace(z, a);
  if (ReferenceLowBit(z) != parity) FeAdd(z, z, FeOne);  // 1 has reference integer form 1
  FeMul(p.y, p.x, z);
  return true;
}

}  // namespace eccrypt::fast
