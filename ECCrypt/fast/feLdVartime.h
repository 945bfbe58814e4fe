#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Point operations of the public-data group law (ldVartime.cpp) as field kernels, so that a path
// with wide registers can run their rounds of products side by side with the point held in
// registers (the VPCLMULQDQ path does). Variable time, like their callers.
#include "ECCrypt/fast/point.h"

namespace eccrypt::fast {

// r := 2 p by LdDoubleVartime's formula, bit for bit. Returns false, doing nothing, where the
// path has no such kernel. r may alias p.
bool FeLdDoubleVartime(LdPoint& r, const LdPoint& p);
// r := p + q by LdAddAffineVartime's formula, bit for bit, for p and q not the zero point.
// Returns false, doing nothing, where the path has no such kernel and where x2 Z1 + X1 = 0 (q
// has p's x: the caller's own code takes that case). r may alias p.
bool FeLdAddAffineVartime(LdPoint& r, const LdPoint& p, const AffinePoint& q);

}  // namespace eccrypt::fast
