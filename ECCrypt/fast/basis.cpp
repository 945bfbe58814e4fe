// The change of basis and the Frobenius map: GF(2)-linear maps stored by columns
// (basisTables.h) and applied as the field's linear maps on the active path: each input bit
// becomes a mask that selects its column, so every column is read and the same instructions run
// whatever the input.
#include "ECCrypt/fast/basis.h"

#include <cstddef>
#include <cstdint>

#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/feInternal.h"
#include "ECCrypt/fast/feLinearMap.h"

namespace eccrypt::fast {
namespace {

// The generated tables in the word-by-word layout the mask application reads, made once.
const detail::FeLinearMap& FromReferenceMap() {
  static const detail::FeLinearMap map(kFromReferenceColumns);
  return map;
}
const detail::FeLinearMap& ToReferenceMap() {
  static const detail::FeLinearMap map(kToReferenceColumns);
  return map;
}
const detail::FeLinearMap& Frobenius15Map() {
  static const detail::FeLinearMap map(kFrobenius15Columns);
  return map;
}

}  // namespace

void FromReferenceBasis(Fe& out, const RefBits& in) {
  // Bit 255 of in counts for nothing: cleared here, as the map would otherwise read it as t^255.
  const Fe bits{{in.w[0], in.w[1], in.w[2], in.w[3] & ~(std::uint64_t{1} << 63)}};
  FromReferenceMap().Apply(out, bits);
}

void ToReferenceBasis(RefBits& out, const Fe& a) {
  Fe bits;
  ToReferenceMap().Apply(bits, a);
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
  Frobenius15Map().Apply(r, a);
}

}  // namespace eccrypt::fast
