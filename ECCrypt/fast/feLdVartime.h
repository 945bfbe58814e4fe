#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Point operations of the public-data group law (ldVartime.cpp) as field kernels, so that a path
// with wide registers can run their rounds of products side by side with the point held in
// registers (the VPCLMULQDQ path does). Variable time, like their callers.
#include <cstddef>

#include "ECCrypt/fast/point.h"

namespace eccrypt::fast {

// r := 2 p by LdDoubleVartime's formula, bit for bit. Returns false, doing nothing, where the
// path has no such kernel. r may alias p.
bool FeLdDoubleVartime(LdPoint& r, const LdPoint& p);

// One step of a walk: a doubling (point null) or the addition of *point, or of its negative.
struct LdWalkStep {
  const AffinePoint* point;
  bool negate;
};
// Runs the steps on acc in their ordinary cases with the point kept in registers, where the path
// has such a kernel: doublings, and additions of finite points to a nonzero acc whose x differ.
// Stops before the first step outside those cases and returns the number of steps done (0 where
// the path has no kernel); the caller takes that step by the general functions and goes on.
std::size_t FeLdWalkVartime(LdPoint& acc, const LdWalkStep* steps, std::size_t count);
// r := p + q by LdAddAffineVartime's formula, bit for bit, for p and q not the zero point.
// Returns false, doing nothing, where the path has no such kernel and where x2 Z1 + X1 = 0 (q
// has p's x: the caller's own code takes that case). r may alias p.
bool FeLdAddAffineVartime(LdPoint& r, const LdPoint& p, const AffinePoint& q);

}  // namespace eccrypt::fast
