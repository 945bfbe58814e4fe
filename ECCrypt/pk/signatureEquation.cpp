#include "ECCrypt/pk/signatureEquation.h"

namespace eccrypt {

bool SignatureEquationHolds(const TvlPoint& x, const TvlPoint& h, const TvlPoint& r) {
  TvlPoint n, c, d;
  n.LoadOrder(true);
  d.CopyFrom(x);
  d.Remainder(n);
  // c := r - d, with n added first when d is larger (d < n, so c stays unsigned).
  c.CopyFrom(r);
  if (d.Greater(c)) c.Add(n);
  c.Subtract(d);
  return c.Equal(h);
}

}  // namespace eccrypt
