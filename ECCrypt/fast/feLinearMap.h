#pragma once
// A GF(2)-linear map of the field (x -> x^(2^k), the half-trace, ...) held as its 255 columns,
// the images of t^0 .. t^254, and applied in constant time: every column is read, and each
// coordinate of the argument selects its column through a mask.
#include "ECCrypt/fast/fe.h"

namespace eccrypt::fast::detail {

class FeLinearMap {
 public:
  // The map whose value on each t^i is image(t^i); image must be GF(2)-linear.
  explicit FeLinearMap(void (*image)(Fe& r, const Fe& a));

  // r := the map's value at a (any 256 bits; the result is canonical when the columns are).
  void Apply(Fe& r, const Fe& a) const;

 private:
  Fe column_[256];  // the last one zero, so that the columns pair up
};

// x -> x^(2^K) for K = 31, 63 and 127, built at first use by squarings on the active path. One
// pass over a matrix costs about as much as 13 squarings, so FeSqrN takes long runs this way.
template <int K>
const FeLinearMap& FeSquaringMap();

}  // namespace eccrypt::fast::detail
