#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The x-only Montgomery ladder's loop as one field kernel, so that a path with wide registers can
// keep the whole pair in them from the first step to the last (the VPCLMULQDQ path does; the
// others run it as rounds of FeMul4 / FeSqr4).
#include <cstdint>

#include "ECCrypt/fast/fe.h"

namespace eccrypt::fast {

// The ladder's pair of points in projective x coordinates, (x1 : z1) and (x2 : z2).
struct FeLadderPair {
  Fe x1, z1, x2, z2;
};

// Runs `bits` ladder steps over the bits of k from bit bits - 1 down to bit 0 (k holds at least
// (bits + 63) / 64 words, word 0 lowest). Each step swaps the two points when the bit differs
// from the one before (the first step compares with 0), then adds and doubles:
//   Z2 := (X1 Z2 + X2 Z1)^2,  X2 := px Z2' + (X1 Z2)(X2 Z1)   (Z2' the new Z2)
//   Z1 := (X1 Z1)^2,          X1 := (X1 + c Z1)^4
// and after the last step swaps once more by the last bit. Constant time in k, px, c and the
// pair; bits is public.
void FeLadderWalk(FeLadderPair& s, const Fe& px, const Fe& c, const std::uint64_t* k, int bits);

// FeLadderWalk(s1, px1, c, k1, bits) and FeLadderWalk(s2, px2, c, k2, bits), in one loop where
// the path has one (FeLadderWalkTwoInOneLoop).
void FeLadderWalkTwo(FeLadderPair& s1, const Fe& px1, FeLadderPair& s2, const Fe& px2, const Fe& c,
                     const std::uint64_t* k1, const std::uint64_t* k2, int bits);
// Whether the active path steps two ladders in one loop, so that two ladders of half the length
// take less time than one of the whole.
bool FeLadderWalkTwoInOneLoop();

}  // namespace eccrypt::fast
