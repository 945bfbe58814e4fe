// The public-data point kernels: the wide-register path's own where there are some.
#include "ECCrypt/fast/feLdVartime.h"

#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast {

bool FeLdDoubleVartime(LdPoint& r, const LdPoint& p) {
  const detail::FeOps& ops = detail::FeActiveOps();
  if (ops.ldDouble == nullptr) return false;
  ops.ldDouble(r, p);
  return true;
}

bool FeLdAddAffineVartime(LdPoint& r, const LdPoint& p, const AffinePoint& q) {
  const detail::FeOps& ops = detail::FeActiveOps();
  return ops.ldAddAffine != nullptr && ops.ldAddAffine(r, p, q);
}

std::size_t FeLdWalkVartime(LdPoint& acc, const LdWalkStep* steps, std::size_t count) {
  const detail::FeOps& ops = detail::FeActiveOps();
  return ops.ldWalk != nullptr ? ops.ldWalk(acc, steps, count) : 0;
}

}  // namespace eccrypt::fast
