// The change of basis and the Frobenius map: GF(2)-linear maps applied as bit matrices stored
// by columns (basisTables.h). Each input bit becomes a mask that selects its column, so every
// column is read and the same instructions run whatever the input.
#include "ECCrypt/fast/basis.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/ct.h"

namespace eccrypt::fast {
namespace {

constexpr std::size_t kBits = 255;

// out := sum of the columns whose input bit is set, for input bits 0..254.
template <class Column>
void ApplyColumns(std::uint64_t (&out)[4], const std::array<Column, kBits>& columns,
                  const std::uint64_t (&in)[4]) {
  std::uint64_t acc[4] = {0, 0, 0, 0};
  for (std::size_t k = 0; k < kBits; ++k) {
    const std::uint64_t mask = CtMaskFromBit(in[k / 64] >> (k % 64));
    for (std::size_t i = 0; i < 4; ++i) acc[i] ^= mask & columns[k].w[i];
  }
  for (std::size_t i = 0; i < 4; ++i) out[i] = acc[i];
}

// a with bit 255 folded in (t^255 = t^52 + 1), so bits 0..254 say everything.
Fe Canonical(const Fe& a) {
  Fe c = a;
  const std::uint64_t top = c.w[3] >> 63;
  c.w[3] &= ~(std::uint64_t{1} << 63);
  c.w[0] ^= top | (top << 52);
  return c;
}

}  // namespace

void FromReferenceBasis(Fe& out, const RefBits& in) {
  ApplyColumns(out.w, kFromReferenceColumns, in.w);
}

void ToReferenceBasis(RefBits& out, const Fe& a) {
  const Fe c = Canonical(a);
  ApplyColumns(out.w, kToReferenceColumns, c.w);
}

std::uint64_t ReferenceLowBit(const Fe& a) {
  const Fe c = Canonical(a);
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < 4; ++i) v ^= c.w[i] & kReferenceLowBitRow.w[i];
  // Parity by folding: no table, no data-dependent instruction.
  for (unsigned shift = 32; shift >= 1; shift /= 2) v ^= v >> shift;
  return v & 1;
}

void Frobenius15(Fe& r, const Fe& a) {
  const Fe c = Canonical(a);
  ApplyColumns(r.w, kFrobenius15Columns, c.w);
}

}  // namespace eccrypt::fast
