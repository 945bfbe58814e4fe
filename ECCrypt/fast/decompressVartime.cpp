// Decompression of public values: the compressed form 2 * X + parity back to a point, X the
// integer form of x in the reference basis and parity the reference low bit of y / x.
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/integerWords.h"
#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/fast/publicVartime.h"

namespace eccrypt::fast {
namespace {

// The last value the group check decoded on this thread, and its point: Verify checks the public
// key and then the signature, and the signature check that follows takes the point from here
// instead of paying the inversion again. Only public values pass through here.
struct LastChecked {
  std::uint64_t w[4];
  AffinePoint p;
  bool valid;
};
thread_local LastChecked lastChecked{};

bool Decode(AffinePoint& p, const std::uint64_t w[4]);

bool SameWords(const std::uint64_t a[4], const std::uint64_t b[4]) {
  return a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

}  // namespace

bool DecompressVartime(AffinePoint& p, const TvlPoint& v) {
  std::uint64_t w[4];
  return IntegerToWordsVartime(w, v) && Decode(p, w);  // false for 2^256 or more
}

bool DecompressForGroupCheckVartime(AffinePoint& p, const TvlPoint& v) {
  std::uint64_t w[4];
  if (!IntegerToWordsVartime(w, v) || !Decode(p, w)) return false;
  for (int i = 0; i < 4; ++i) lastChecked.w[i] = w[i];
  lastChecked.p = p;
  lastChecked.valid = true;
  return true;
}

bool DecompressCheckedVartime(AffinePoint& p, const TvlPoint& v) {
  std::uint64_t w[4];
  if (!IntegerToWordsVartime(w, v)) return false;
  // Taken once: the point serves the one signature check that follows the group check.
  const bool recalled = lastChecked.valid && SameWords(lastChecked.w, w);
  lastChecked.valid = false;
  if (recalled) {
    p = lastChecked.p;
    return true;
  }
  return Decode(p, w);
}

namespace {

// x from w div 2 in the reference basis, y chosen by w mod 2; false where no point has that x.
bool Decode(AffinePoint& p, const std::uint64_t w[4]) {
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

}  // namespace

}  // namespace eccrypt::fast
