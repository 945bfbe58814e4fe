// TgfPoint::SquareRootOf and TgfPoint::SolveQuadratic: both rest on repeated squaring, since
// z^(2^255) = z for every element z of GF(2^255).
#include <stdexcept>

#include "ECCrypt/field/gfPoint.h"

namespace eccrypt {

// self := the square root of the one-unit element v, which is z^(2^254): 254 squarings. The
// root of a one-unit element is again a one-unit element (GF(2^15) is a subfield).
void TgfPoint::SquareRootOf(std::uint16_t v) {
  if (v > 0x7FFF) throw std::out_of_range("TgfPoint::SquareRootOf: not a unit");
  TgfPoint t;
  t.Units[0] = 1;
  t.Units[1] = v;
  CopyFrom(t);
  for (int i = 0; i < 127; ++i) {
    t.Square(*this);
    Square(t);
  }
}

// self := the half-trace of a, the sum of a^(4^i) for i = 0..127. As 255 is odd it satisfies
// z^2 + z = a + Tr(a), which is a when the trace is 0; the other solution is z + 1. With trace
// 1 there is no solution: returns 1 and leaves self untouched. a is read in every round, so
// self must not be a.
std::int32_t TgfPoint::SolveQuadratic(const TgfPoint& a) {
  if (a.Trace() == 1) return 1;
  CopyFrom(a);
  for (int i = 0; i < 127; ++i) {
    Square(*this);
    Square(*this);
    Add(*this, a);
  }
  return 0;
}

}  // namespace eccrypt
