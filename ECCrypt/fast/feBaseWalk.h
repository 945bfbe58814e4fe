#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The fixed-base multiplication's loop of mixed additions as one field kernel, so that a path
// with wide registers can keep the accumulator in them from the first window to the last, with
// each window's table scan fused in (the VPCLMULQDQ path does; the others have no such kernel
// and their caller runs its own loop).
#include <cstdint>

#include "ECCrypt/fast/baseTable.h"
#include "ECCrypt/fast/fe.h"

namespace eccrypt::fast {

// The accumulator in López–Dahab coordinates (x = X / Z, y = Y / Z^2; Z = 0 the zero point),
// every coordinate canonical.
struct FeBaseAccumulator {
  Fe X, Y, Z;
};

// For w = 0 .. windows - 1: acc := acc + e_w, where e_w is the zero point for magnitude[w] = 0
// and otherwise entry magnitude[w] - 1 (magnitude 1 .. 16) of rows[w], negated ((x, x + y))
// when negative[w] is all-ones. Each addition is the mixed one of LdAddAffine (point.h) with
// the same results, bit for bit, for every acc and entry except one: the acc equal to the entry
// added (a doubling), which the caller must rule out. Every entry of a row is read, whatever
// the magnitude; constant time in acc, magnitude and negative (windows is public).
//
// Returns false, and leaves acc alone, where the path in use has no such kernel.
bool FeBaseWalk(FeBaseAccumulator& acc, const BaseTableEntry (*rows)[kBaseDigits],
                const std::uint64_t* magnitude, const std::uint64_t* negative, int windows);

}  // namespace eccrypt::fast
