// Fuzz target: TecPoint::Decompress and TecPoint::IsCompressedGroupPoint on arbitrary integers.
//
// The first byte picks where the integer comes from:
//   0: the remaining bytes as an integer record of 0 to 19 digits (a zero top digit allowed);
//   1: the compressed form of k * G, k from the remaining bytes;
//   2: the compressed form of k * G + T, T a point with coordinates in GF(2^15) (never in <G>).
// Decompress must keep every coordinate a reduced element, decode x exactly, keep y where no
// point has that x and match the parity bit. The validity check must accept every nonzero
// k * G, refuse every point outside <G>, and accept nothing but nonzero points P with n * P = O
// (checked here as (n - 1) * P = -P, not by the check's own product).
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfPoint.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/params/curveParameters.h"
#include "fuzz/fuzzCheck.h"
#include "fuzz/fuzzInput.h"

namespace {

using eccrypt::TecPoint;
using eccrypt::TgfPoint;
using eccrypt::TvlPoint;
using eccrypt::fuzz::Normalised;
using eccrypt::fuzz::TFuzzInput;

bool IsReduced(const TgfPoint& e) {
  const std::int32_t count = e.UnitCount();
  if (count < 0 || count > TgfPoint::ReducedUnits) return false;
  if (count > 0 && e.Units[static_cast<std::size_t>(count)] == 0) return false;
  for (std::int32_t i = 1; i <= count; ++i) {
    const std::int32_t unit = e.Units[static_cast<std::size_t>(i)];
    if (unit < 0 || unit > 32767) return false;
  }
  return true;
}

// The same value: zero top digits do not count.
bool SameValue(const TvlPoint& a, const TvlPoint& b) {
  return Normalised(a).Equal(Normalised(b));
}

bool SamePoint(const TecPoint& a, const TecPoint& b) {
  return a.x.Equal(b.x) && a.y.Equal(b.y);
}

// n * P = O, computed as (n - 1) * P = -P so that it does not repeat the check's own product.
bool KilledByOrder(const TecPoint& p) {
  TvlPoint n_minus_1, one;
  n_minus_1.LoadOrder(true);
  one.AssignSmall(1);
  n_minus_1.Subtract(one);
  TecPoint q = p;
  q.Multiply(n_minus_1);
  TecPoint minus_p = p;
  minus_p.y.Add(p.x, p.y);  // -(x, y) = (x, x + y)
  return SamePoint(q, minus_p);
}

TecPoint BaseMultiple(const TvlPoint& k) {
  TecPoint p;
  p.LoadBase(true);
  p.Multiply(k);
  return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  eccrypt::InitTables();
  TFuzzInput in(data, size);
  const std::uint8_t source = in.Byte() % 3;

  TvlPoint v;
  bool known_member = false;    // v is the compressed form of k * G with k * G not O
  bool known_outsider = false;  // v is the compressed form of a point outside <G>
  TecPoint known_point;
  if (source == 0) {
    v = in.Record(TvlPoint::Capacity);
  } else {
    // k below 2^288: an 18-digit scalar is the longest Multiply takes.
    const TvlPoint k = in.Record(18);
    known_point = BaseMultiple(k);
    known_member = !known_point.IsZero();
    if (source == 2) {
      TecPoint t;  // a point with x in GF(2^15) has y in GF(2^15) too: it lies outside <G>
      const std::int32_t x = (in.Byte() * 256 + in.Byte()) & 32767;
      if (x != 0) t.x.AssignSmall(x);
      if (t.RecoverY(in.Byte() & 1) && !(t.x.UnitCount() == 0 && t.y.UnitCount() == 0)) {
        FUZZ_CHECK(t.OnCurve());
        known_point.Add(t);
        known_member = false;
        known_outsider = true;
      }
    }
    known_point.Compress(v);
  }

  // Decompress into a point whose y is G's, to see that y is kept where no point has the x.
  TecPoint p;
  p.LoadBase(true);
  const TgfPoint y_before = p.y;
  const TgfPoint x_before = p.x;
  bool refused = false;
  try {
    p.Decompress(v);
  } catch (const std::out_of_range&) {
    refused = true;
  }
  // Refused by value: zero digits above the 16th, as a text led by zero groups gives, do not
  // count.
  const bool in_range = Normalised(v).Length() <= 16;
  FUZZ_CHECK(refused == !in_range);
  FUZZ_CHECK(IsReduced(p.x) && IsReduced(p.y));
  if (refused) {
    FUZZ_CHECK(p.x.Equal(x_before) && p.y.Equal(y_before));
    FUZZ_CHECK(!TecPoint::IsCompressedGroupPoint(v));
    return 0;
  }

  // x is exactly v div 2.
  TvlPoint expected_x, x;
  expected_x.CopyFrom(v);
  expected_x.ShiftRight(1);
  p.XToInteger(x);
  FUZZ_CHECK(SameValue(x, expected_x));

  const bool on_curve = p.IsZero() || p.OnCurve();  // the zero point is a point of the curve
  const std::int32_t parity = (!v.IsZero() && (v.Words[1] & 1) != 0) ? 1 : 0;
  if (!on_curve) {
    FUZZ_CHECK(p.y.Equal(y_before));
    FUZZ_CHECK(p.x.UnitCount() != 0);  // x = 0 always has the point (0, sqrt(b))
  } else if (p.x.UnitCount() != 0 && p.y.UnitCount() != 0) {
    FUZZ_CHECK(p.ParityBit() == parity);  // y = 0 only where x^3 = b, whatever the parity
  }
  if (SameValue(v, TvlPoint{})) FUZZ_CHECK(p.IsZero());

  const bool accepted = TecPoint::IsCompressedGroupPoint(v);
  if (known_member) {
    FUZZ_CHECK(accepted);
    FUZZ_CHECK(SamePoint(p, known_point));
  }
  if (known_outsider) FUZZ_CHECK(!accepted);
  if (accepted) {
    FUZZ_CHECK(on_curve && !p.IsZero());
    if (!known_member) FUZZ_CHECK(KilledByOrder(p));  // k * G is killed by n by construction
    // A member compresses back to the value it came from.
    TvlPoint again;
    p.Compress(again);
    FUZZ_CHECK(SameValue(again, v));
  }
  return 0;
}
