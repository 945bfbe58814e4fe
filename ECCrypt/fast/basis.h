#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The change of basis between the reference representation and Fe.
//
// The reference writes an element as 17 units of GF(2^15) = GF(2)[y]/(y^15 + y + 1) over
// x^17 + x^3 + 1, and its integer form puts 15 bits per unit, unit 1 lowest: so the 255 bits of
// the integer form are the element's coordinates in the reference basis. The isomorphism sends
// y and x to fixed roots of y^15 + y + 1 and X^17 + X^3 + 1 in Fe's field; it is GF(2)-linear,
// so both directions are 255 x 255 bit matrices (tools/gen_basis.py writes basisTables.h),
// applied here with masks, in constant time.
#include <cstdint>

#include "ECCrypt/fast/fe.h"

namespace eccrypt::fast {

// Reference coordinates: the integer form's 255 bits in four words, word 0 lowest, bit 255 zero.
struct RefBits {
  std::uint64_t w[4];
};

// out := the element whose reference integer form is in. Bit 255 of in is ignored.
void FromReferenceBasis(Fe& out, const RefBits& in);
// out := the reference integer form of a.
void ToReferenceBasis(RefBits& out, const Fe& a);
// Bit 0 of the reference integer form of a (the parity bit of point compression), 0 or 1.
std::uint64_t ReferenceLowBit(const Fe& a);

// r := a^(2^15), the Frobenius map of GF(2^255) over the reference's unit field GF(2^15), read
// from a precomputed bit matrix (it is GF(2)-linear). r may alias a.
void Frobenius15(Fe& r, const Fe& a);

}  // namespace eccrypt::fast
