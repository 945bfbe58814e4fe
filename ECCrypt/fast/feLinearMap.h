#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// A GF(2)-linear map of the field (x -> x^(2^k), the half-trace, ...) held as its 255 columns,
// the images of t^0 .. t^254, and applied in constant time: every column is read, and each
// coordinate of the argument selects its column through a mask. The columns are stored word by
// word (word k of every column together), so that a wide register holds word k of several
// consecutive columns and one mask register, a byte of the argument, selects among them.
#include <cstddef>

#include "ECCrypt/fast/fe.h"

namespace eccrypt::fast::detail {

class FeLinearMap {
 public:
  // The map whose value on each t^i is image(t^i); image must be GF(2)-linear.
  explicit FeLinearMap(void (*image)(Fe& r, const Fe& a));
  // The map with the given columns (column 255 must be zero).
  explicit FeLinearMap(const Fe (&columns)[256]);

  // r := the map's value at a (any 256 bits; the result is canonical when the columns are).
  void Apply(Fe& r, const Fe& a) const;
  // r[i] := the map's value at a[i] for i < count (at most 4); r may alias a. Where the columns
  // are loaded in wide registers, the arguments share one pass over them.
  void ApplyMany(Fe* r, const Fe* a, std::size_t count) const;

 private:
  // word_[k][i] is word k of column i; column 255 is zero, so that the columns group evenly.
  alignas(64) std::uint64_t word_[4][256];
};

// x -> x^(2^K) for K = 15, 31, 63 and 127, built at first use by squarings on the active path.
// FeSqrN takes runs of squarings this way where one pass over a matrix costs less. K = 30, 60
// and 120 are the powers psi^2, psi^4 and psi^8 of the 2^15-power Frobenius map psi, which the
// group check applies (FePsiPowerVartime).
template <int K>
const FeLinearMap& FeSquaringMap();

}  // namespace eccrypt::fast::detail
