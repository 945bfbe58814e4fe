#include "ECCrypt/bigint/signatureEquation.h"

#include <cstddef>

namespace eccrypt {

bool SignatureEquationHolds(const TvlPoint& x, const TvlPoint& h, const TvlPoint& r) {
  TvlPoint n, d;
  n.LoadOrder(true);
  d.CopyFrom(x);
  d.Remainder(n);
  return SignatureEquationHoldsReduced(d, h, r);
}

bool SignatureEquationHoldsReduced(const TvlPoint& d, const TvlPoint& h, const TvlPoint& r) {
  TvlPoint n, c;
  n.LoadOrder(true);
  // c := r - d, with n added first when d is larger (d < n, so c stays unsigned). r is taken by
  // its value: zero top digits (a text led by "0000" groups) are dropped before the comparison
  // by length, so they never make the subtraction go below zero.
  c.CopyFrom(r);
  while (c.Words[0] > 0 && c.Words[static_cast<std::size_t>(c.Words[0])] == 0) --c.Words[0];
  if (d.Greater(c)) c.Add(n);
  c.Subtract(d);
  return c.Equal(h);
}

}  // namespace eccrypt
