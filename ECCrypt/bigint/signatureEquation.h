#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The last step of signature verification, shared by both engines so that they compare the
// integers the same way: with d = X mod n, X the integer form of the x coordinate of
// s * G + r * Q, whether (r - d) mod n equals h: r - d, with n added first when d > r, compared
// with h digit for digit. r is taken by its value (zero top digits do not count), unreduced: an
// r of n or more is not reduced first.
#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {

bool SignatureEquationHolds(const TvlPoint& x, const TvlPoint& h, const TvlPoint& r);

// The same comparison for d = X mod n already reduced (d < n, in normal form).
bool SignatureEquationHoldsReduced(const TvlPoint& d, const TvlPoint& h, const TvlPoint& r);

}  // namespace eccrypt
