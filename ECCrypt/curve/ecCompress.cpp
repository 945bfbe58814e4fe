// Point compression: a point becomes the integer 2 * X + parity (X the integer form of x) and
// back, with y recovered from x by solving z^2 + z = x + b / x^2 for z = y / x.
#include <stdexcept>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/params/curveParameters.h"

namespace eccrypt {
namespace {

// A compressed point is below 2^256, 16 digits: x fits the 17 units of an element.
constexpr std::int32_t CompressedDigits = 16;

// Whether v is below 2^256. A text may carry zero groups in front of a value (the text forms keep
// them in the length word), so the digits above the 16th are tested, not the length.
// A length word beyond the capacity, which only a direct writer makes, does not fit either.
bool FitsCompressed(const TvlPoint& v) {
  if (v.Length() > TvlPoint::Capacity) return false;
  for (std::int32_t i = CompressedDigits + 1; i <= v.Length(); ++i) {
    if (v.Words[static_cast<std::size_t>(i)] != 0) return false;
  }
  return true;
}

}  // namespace

bool TecPoint::RecoverY(std::int32_t parity) {
  if (x.UnitCount() == 0) {
    y.SquareRootOf(static_cast<std::uint16_t>(CurveB));  // (0, sqrt(b)), of order 2
    return true;
  }
  TgfPoint a, b, c;
  b.AssignSmall(CurveB);
  c.Square(x);
  a.Multiply(c, x);
  a.Add(a, b);  // a = x^3 + b
  if (a.UnitCount() == 0) {
    y.Zero();  // x^3 = b: the only point with this x has y = 0, whatever the parity
    return true;
  }
  // Dividing the curve equation by x^2 gives z^2 + z = x + b / x^2 with z = y / x.
  c.DivideByUnit(CurveB);  // x^2 / b
  a.Invert(c);             // b / x^2
  a.Add(x, a);
  if (a.Trace() == 1) return false;  // no root: no point has this x, y is kept
  c.SolveQuadratic(a);
  // The roots are z and z + 1, neither 0 nor 1 since a is not zero; pick the one whose low bit
  // is the parity.
  if (c.LowBit() != parity) c.FlipLowBit();
  y.Multiply(x, c);
  return true;
}

std::int32_t TecPoint::ParityBit() const {
  if (x.UnitCount() == 0) return 0;
  TgfPoint t, u;
  t.Invert(x);
  u.Multiply(y, t);
  return u.LowBit();
}

void TecPoint::Compress(TvlPoint& out) const {
  if (x.UnitCount() != 0) {
    x.ToInteger(out);
    out.ShiftLeft(1);
    TvlPoint parity;
    parity.AssignSmall(ParityBit());
    out.Add(parity);
  } else if (y.UnitCount() != 0) {
    out.AssignSmall(1);
  }
  // The zero point leaves out at zero.
}

bool TecPoint::DecodeCompressed(const TvlPoint& v) {
  const std::int32_t parity = (!v.IsZero() && (v.Words[1] & 1) != 0) ? 1 : 0;
  TvlPoint t;
  t.CopyFrom(v);
  t.ShiftRight(1);
  x.FromInteger(t);
  if (x.UnitCount() != 0 || parity == 1) return RecoverY(parity);
  y.Zero();  // the value 0: the zero point
  return true;
}

void TecPoint::Decompress(const TvlPoint& v) {
  // A larger value would decode into more units than an element holds.
  if (!FitsCompressed(v)) {
    throw std::out_of_range("compressed point of 2^256 or more");
  }
  DecodeCompressed(v);  // an x without a point keeps the previous y
}

void TecPoint::XToInteger(TvlPoint& out) const {
  x.ToInteger(out);
}

bool TecPoint::IsCompressedGroupPoint(const TvlPoint& v) {
  if (!FitsCompressed(v)) return false;
  TecPoint p;
  if (!p.DecodeCompressed(v) || p.IsZero()) return false;
  // The curve group has 32460 * n points with n prime and not dividing 32460, so the points
  // with n * P = O are exactly the multiples of G.
  TvlPoint n;
  n.LoadOrder(true);
  p.Multiply(n);
  return p.IsZero();
}

}  // namespace eccrypt
