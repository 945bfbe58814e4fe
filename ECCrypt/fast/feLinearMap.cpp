// Linear maps of the field as 255 columns applied with masks.
#include "ECCrypt/fast/feLinearMap.h"

#include <cstdint>

#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast::detail {

FeLinearMap::FeLinearMap(void (*image)(Fe& r, const Fe& a)) : column_{} {
  for (int i = 0; i < 255; ++i) {
    Fe basis = FeZero;
    basis.w[i / 64] = std::uint64_t{1} << (i % 64);
    image(column_[i], basis);
  }
}

template <int K>
const FeLinearMap& FeSquaringMap() {
  static const FeLinearMap map([](Fe& r, const Fe& a) { FeActiveOps().sqrN(r, a, K); });
  return map;
}

template const FeLinearMap& FeSquaringMap<31>();
template const FeLinearMap& FeSquaringMap<63>();
template const FeLinearMap& FeSquaringMap<127>();

void FeLinearMap::Apply(Fe& r, const Fe& a) const {
  FeActiveOps().apply(r, column_, FeCanonical(a));
}

void FeApplyPortable(Fe& r, const Fe columns[256], const Fe& a) {
  std::uint64_t acc[4] = {0, 0, 0, 0};
  for (int i = 0; i < 256; ++i) {
    const std::uint64_t m = CtMaskFromBit(a.w[i / 64] >> (i % 64));
    for (int k = 0; k < 4; ++k) acc[k] ^= m & columns[i].w[k];
  }
  for (int k = 0; k < 4; ++k) r.w[k] = acc[k];
}

}  // namespace eccrypt::fast::detail
