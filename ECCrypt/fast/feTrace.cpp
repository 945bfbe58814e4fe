// Trace and half-trace: both GF(2)-linear maps of the coordinates.
#include <cstdint>

#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast {
namespace {

// The half-trace of each basis element t^i, i = 0..254, computed once by squarings.
struct HalfTraceTable {
  Fe column[255];
  HalfTraceTable() {
    for (int i = 0; i < 255; ++i) {
      Fe v = FeZero;
      v.w[i / 64] = std::uint64_t{1} << (i % 64);
      Fe sum = FeZero;
      for (int j = 0; j < 128; ++j) {
        FeAdd(sum, sum, v);
        FeSqrN(v, v, 2);
      }
      column[i] = sum;
    }
  }
};

const HalfTraceTable& HalfTraces() {
  static const HalfTraceTable table;
  return table;
}

}  // namespace

// Tr(t^i) is 1 for i = 0 and i = 203 and 0 for every other i < 255 (the unit test derives this
// from the definition), so Tr(a) = a_0 + a_203.
std::uint64_t FeTrace(const Fe& a) {
  const Fe c = detail::FeCanonical(a);
  return (c.w[0] ^ (c.w[3] >> (203 - 192))) & 1;
}

// Every column is read, selected by a mask built from the coordinate.
void FeHalfTrace(Fe& r, const Fe& a) {
  const Fe c = detail::FeCanonical(a);
  const HalfTraceTable& table = HalfTraces();
  std::uint64_t acc[4] = {0, 0, 0, 0};
  for (int i = 0; i < 255; ++i) {
    const std::uint64_t m = CtMaskFromBit(c.w[i / 64] >> (i % 64));
    for (int k = 0; k < 4; ++k) acc[k] ^= m & table.column[i].w[k];
  }
  for (int k = 0; k < 4; ++k) r.w[k] = acc[k];
}

}  // namespace eccrypt::fast
