// The group law of the curve in affine coordinates: every addition and doubling pays one field
// inversion. Working elements are created per call and wiped when released.
#include "ECCrypt/curve/ecPoint.h"

#include <stdexcept>

#include "ECCrypt/params/curveParameters.h"

namespace eccrypt {

void TecPoint::LoadBase(bool flag) {
  if (flag) {
    x.LoadBaseCoordinate(true);
    y.LoadBaseCoordinate(false);
  } else {
    x.Zero();
    y.Zero();
  }
}

void TecPoint::Add(const TecPoint& p) {
  if (p.IsZero()) return;
  if (IsZero()) {
    x.CopyFrom(p.x);
    y.CopyFrom(p.y);
    return;
  }
  if (x.Equal(p.x)) {
    if (y.Equal(p.y)) {
      Double();  // also the case p == this
    } else {
      // p = -self: the sum is the zero point.
      x.Zero();
      y.Zero();
    }
    return;
  }
  // x1 != x2, so p is not this object. With lambda = (y1 + y2) / (x1 + x2):
  // x3 = lambda^2 + lambda + x1 + x2, y3 = lambda * (x1 + x3) + x3 + y1.
  TgfPoint t1, t2, t3, lambda, x3;
  t3.Add(y, p.y);
  t2.Add(x, p.x);
  t1.Invert(t2);
  lambda.Multiply(t3, t1);
  x3.Square(lambda);
  x3.Add(x3, lambda);
  x3.Add(x3, t2);
  t2.Add(x, x3);
  t1.Multiply(lambda, t2);
  t1.Add(t1, x3);
  y.Add(t1, y);
  x.CopyFrom(x3);
}

void TecPoint::Subtract(const TecPoint& p) {
  // -p = (x, x + y); the negative of the zero point is the zero point.
  TecPoint negative;
  negative.x.CopyFrom(p.x);
  negative.y.Add(p.x, p.y);
  Add(negative);
}

void TecPoint::Double() {
  // lambda = x + y / x, x3 = lambda^2 + lambda, y3 = x^2 + lambda * x3 + x3. No case is tested:
  // for x = 0 the inversion leaves t zero, every intermediate is zero, and the result is the
  // zero point.
  TgfPoint t, lambda, x3, c;
  t.Invert(x);
  lambda.Multiply(y, t);
  lambda.Add(lambda, x);
  x3.Square(lambda);
  x3.Add(x3, lambda);
  y.Square(x);
  c.Multiply(lambda, x3);
  y.Add(y, c);
  y.Add(y, x3);
  x.CopyFrom(x3);
}

void TecPoint::Multiply(const TvlPoint& k) {
  // 3k must fit in the 19 digits of an integer; refuse before MulSmall would report the lack
  // of room and leave h at zero.
  if (k.Length() >= TvlPoint::Capacity) {
    throw std::length_error("scalar too long for point multiplication");
  }
  TecPoint q;
  q.x.CopyFrom(x);
  q.y.CopyFrom(y);
  LoadBase(false);

  // The digit at position i >= 1 is bit i of 3k minus bit i of k and weighs 2^(i-1): the digits
  // sum to (3k - k) / 2 = k. Bit 0 is never visited (3k and k agree there). For k = 0, top is
  // -1 and the single pass at i = 1 does nothing.
  TvlPoint h;
  h.MulSmall(k, 3);
  const std::int32_t top = h.BitLength() - 1;
  for (std::int32_t i = 1;; ++i) {
    const std::int32_t a = h.TestBit(i);
    const std::int32_t b = k.TestBit(i);
    if (a == 1 && b == 0) {
      Add(q);
    } else if (a == 0 && b == 1) {
      Subtract(q);
    }
    if (i >= top) break;
    q.Double();  // q = 2^i * the original point, ready for position i + 1
  }
}

bool TecPoint::OnCurve() const {
  TgfPoint y2, xy, x2, x3, b, left, right;
  y2.Square(y);
  xy.Multiply(x, y);
  left.Add(y2, xy);
  x2.Square(x);
  x3.Multiply(x2, x);
  b.AssignSmall(CurveB);
  right.Add(x3, b);
  return left.Equal(right);
}

}  // namespace eccrypt
