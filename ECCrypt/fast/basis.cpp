// The change of basis and the Frobenius map: GF(2)-linear maps stored by columns
// (basisTables.h) and applied by the field's mask application on the active path: each input
// bit becomes a mask that selects its column, so every column is read and the same instructions
// run whatever the input.
#include "ECCrypt/fast/basis.h"

#include <cstddef>
#include <cstdint>

#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast {

void FromReferenceBasis(Fe& out, const RefBits& in) {
  // Column 255 is zero, so bit 255 of in counts for nothing.
  const Fe bits{{in.w[0], in.w[1], in.w[2], in.w[3]}};
  detail::FeActiveOps().apply(out, kFromReferenceColumns, bits);
}

void ToReferenceBasis(RefBits& out, const Fe& a) {
  Fe bits;
  detail::FeActiveOps().apply(bits, kToReferenceColumns, detail::FeCanonical(a));
  for (std::size_t i = 0; i < 4; ++i) out.w[i] = bits.w[i];
}

std::uint64_t ReferenceLowBit(const Fe& a) {
  const Fe c = detail::FeCanonical(a);
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v ^= c.w[i] & kReferenceLowBitRow.w[i];
  // Parity by folding: no table, no data-dependent instruction.
  for (unsigned shift = 32; shift >= 1; shift /= 2) v ^= v >> shift;
  return v & 1;
}

void Frobenius15(Fe& r, const Fe& a) {
  detail::FeActiveOps().apply(r, kFrobenius15Columns, detail::FeCanonical(a));
}

}  // namespace eccrypt::fast
