// Linear maps of the field as 255 columns applied with masks.
#include "ECCrypt/fast/feLinearMap.h"

#include <cstdint>

#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast::detail {

FeLinearMap::FeLinearMap(void (*image)(Fe& r, const Fe& a)) : word_{} {
  for (int i = 0; i < 255; ++i) {
    Fe basis = FeZero;
    basis.w[i / 64] = std::uint64_t{1} << (i % 64);
    Fe column = FeZero;
    image(column, basis);
    for (int k = 0; k < 4; ++k) word_[k][i] = column.w[k];
  }
}

FeLinearMap::FeLinearMap(const Fe (&columns)[256]) : word_{} {
  for (int i = 0; i < 256; ++i) {
    for (int k = 0; k < 4; ++k) word_[k][i] = columns[i].w[k];
  }
}

template <int K>
const FeLinearMap& FeSquaringMap() {
  static const FeLinearMap map([](Fe& r, const Fe& a) { FeActiveOps().sqrN(r, a, K); });
  return map;
}

template const FeLinearMap& FeSquaringMap<15>();
template const FeLinearMap& FeSquaringMap<30>();
template const FeLinearMap& FeSquaringMap<31>();
template const FeLinearMap& FeSquaringMap<60>();
template const FeLinearMap& FeSquaringMap<63>();
template const FeLinearMap& FeSquaringMap<120>();
template const FeLinearMap& FeSquaringMap<127>();

void FeLinearMap::Apply(Fe& r, const Fe& a) const {
  FeActiveOps().apply(r, word_, FeCanonical(a));
}

void FeLinearMap::ApplyMany(Fe* r, const Fe* a, std::size_t count) const {
#if defined(__x86_64__) && defined(__GNUC__)
  if (&FeActiveOps() == kFeVpclmulOps && count <= 4) {
    Fe canonical[4];
    for (std::size_t i = 0; i < count; ++i) canonical[i] = FeCanonical(a[i]);
    FeApplyManyAvx512(r, word_, canonical, count);
    return;
  }
#endif
  for (std::size_t i = 0; i < count; ++i) Apply(r[i], a[i]);
}

void FeApplyPortable(Fe& r, const std::uint64_t words[4][256], const Fe& a) {
  std::uint64_t acc[4] = {0, 0, 0, 0};
  for (int i = 0; i < 256; ++i) {
    const std::uint64_t m = CtMaskFromBit(a.w[i / 64] >> (i % 64));
    for (int k = 0; k < 4; ++k) acc[k] ^= m & words[k][i];
  }
  for (int k = 0; k < 4; ++k) r.w[k] = acc[k];
}

}  // namespace eccrypt::fast::detail
