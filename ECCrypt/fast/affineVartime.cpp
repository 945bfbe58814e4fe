// The affine group law on public points. Each addition or doubling pays one inversion; the group
// check uses four of them.
#include <cstddef>

#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/feInternal.h"
#include "ECCrypt/fast/feLinearMap.h"
#include "ECCrypt/fast/pointVartime.h"

namespace eccrypt::fast {
namespace {

constexpr AffinePoint Finite(const Fe& x, const Fe& y) {
  return AffinePoint{x, y, 0};
}

}  // namespace

bool FeEqualVartime(const Fe& a, const Fe& b) {
  return FeEqualMask(a, b) != 0;
}

bool FeIsZeroVartime(const Fe& a) {
  return FeIsZeroMask(a) != 0;
}

void FePsiPowersVartime(Fe* r, const Fe* a, std::size_t count, int k) {
  // One matrix for the whole power wherever FeSqrN would take a run of 15 or more as one.
  const int n = 15 * k;
  const detail::FeLinearMap* map = nullptr;
  if (n >= detail::FeActiveOps().minMapRun) {
    if (k == 1) map = &detail::FeSquaringMap<15>();
    if (k == 2) map = &detail::FeSquaringMap<30>();
    if (k == 4) map = &detail::FeSquaringMap<60>();
    if (k == 8) map = &detail::FeSquaringMap<120>();
  }
  if (map != nullptr) {
    map->ApplyMany(r, a, count);
  } else {
    for (std::size_t i = 0; i < count; ++i) FeSqrN(r[i], a[i], n);
  }
}

void FePsiPowerVartime(Fe& r, const Fe& a, int k) {
  FePsiPowersVartime(&r, &a, 1, k);
}

void AffineNegateVartime(AffinePoint& r, const AffinePoint& p) {
  if (AffineIsZeroVartime(p)) {
    r = AffineZero;
    return;
  }
  r.x = p.x;
  FeAdd(r.y, p.x, p.y);
  r.infinity = 0;
}

bool AffineEqualVartime(const AffinePoint& p, const AffinePoint& q) {
  if (AffineIsZeroVartime(p) || AffineIsZeroVartime(q)) {
    return AffineIsZeroVartime(p) == AffineIsZeroVartime(q);
  }
  return FeEqualVartime(p.x, q.x) && FeEqualVartime(p.y, q.y);
}

bool AffineOnCurveVartime(const AffinePoint& p) {
  if (AffineIsZeroVartime(p)) return true;
  Fe left, right, t;
  FeSqr(left, p.y);
  FeMul(t, p.x, p.y);
  FeAdd(left, left, t);
  FeSqr(t, p.x);
  FeMul(right, t, p.x);
  FeAdd(right, right, kCurveB);
  return FeEqualVartime(left, right);
}

void AffineDoubleVartime(AffinePoint& r, const AffinePoint& p) {
  // The tangent at a point with x = 0 is vertical: (0, sqrt(b)) has order 2.
  if (AffineIsZeroVartime(p) || FeIsZeroVartime(p.x)) {
    r = AffineZero;
    return;
  }
  // lambda = x + y / x, x3 = lambda^2 + lambda, y3 = x^2 + (lambda + 1) x3.
  Fe inv, lambda, x3, y3, t;
  FeInvert(inv, p.x);
  FeMul(lambda, p.y, inv);
  FeAdd(lambda, lambda, p.x);
  FeSqr(x3, lambda);
  FeAdd(x3, x3, lambda);
  FeAdd(t, lambda, FeOne);
  FeMul(y3, t, x3);
  FeSqr(t, p.x);
  FeAdd(y3, y3, t);
  r = Finite(x3, y3);
}

void AffineAddVartime(AffinePoint& r, const AffinePoint& p, const AffinePoint& q) {
  if (AffineIsZeroVartime(p)) {
    r = q;
    return;
  }
  if (AffineIsZeroVartime(q)) {
    r = p;
    return;
  }
  if (FeEqualVartime(p.x, q.x)) {
    // The two points with one x are P and -P: the same y doubles, the other y cancels.
    if (FeEqualVartime(p.y, q.y)) {
      AffineDoubleVartime(r, p);
    } else {
      r = AffineZero;
    }
    return;
  }
  // lambda = (y1 + y2) / (x1 + x2), x3 = lambda^2 + lambda + x1 + x2,
  // y3 = lambda (x1 + x3) + x3 + y1.
  Fe sx, sy, inv, lambda, x3, t;
  FeAdd(sx, p.x, q.x);
  FeAdd(sy, p.y, q.y);
  FeInvert(inv, sx);
  FeMul(lambda, sy, inv);
  FeSqr(x3, lambda);
  FeAdd(x3, x3, lambda);
  FeAdd(x3, x3, sx);
  FeAdd(t, p.x, x3);
  FeMul(t, lambda, t);
  FeAdd(t, t, x3);
  FeAdd(t, t, p.y);
  r = Finite(x3, t);
}

void AffineFrobeniusVartime(AffinePoint& r, const AffinePoint& p, int k) {
  if (AffineIsZeroVartime(p)) {
    r = AffineZero;
    return;
  }
  const Fe in[2] = {p.x, p.y};
  Fe out[2];
  FePsiPowersVartime(out, in, 2, k);
  r = Finite(out[0], out[1]);
}

}  // namespace eccrypt::fast
