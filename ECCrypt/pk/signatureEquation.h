#pragma once
// The last step of signature verification, shared by both engines so that they compare the
// integers the same way: with d = X mod n, X the integer form of the x coordinate of
// s * G + r * Q, whether (r - d) mod n equals h. r and h are the integers as the signature and
// the digest give them.
#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {

bool SignatureEquationHolds(const TvlPoint& x, const TvlPoint& h, const TvlPoint& r);

}  // namespace eccrypt
