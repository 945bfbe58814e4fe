// Trace and half-trace: both GF(2)-linear maps of the coordinates.
#include <cstdint>

#include "ECCrypt/fast/feInternal.h"
#include "ECCrypt/fast/feLinearMap.h"

namespace eccrypt::fast {
namespace {

// The half-trace from its definition, sum of a^(4^i) for i = 0..127.
void HalfTraceBySquarings(Fe& r, const Fe& a) {
  Fe v = a;
  Fe sum = FeZero;
  for (int j = 0; j < 128; ++j) {
    FeAdd(sum, sum, v);
    FeSqrN(v, v, 2);
  }
  r = sum;
}

const detail::FeLinearMap& HalfTraceMap() {
  static const detail::FeLinearMap map(HalfTraceBySquarings);
  return map;
}

}  // namespace

// Tr(t^i) is 1 for i = 0 and i = 203 and 0 for every other i < 255 (the unit test derives this
// from the definition), so Tr(a) = a_0 + a_203.
std::uint64_t FeTrace(const Fe& a) {
  const Fe c = detail::FeCanonical(a);
  return (c.w[0] ^ (c.w[3] >> (203 - 192))) & 1;
}

void FeHalfTrace(Fe& r, const Fe& a) {
  HalfTraceMap().Apply(r, a);
}

}  // namespace eccrypt::fast
