// The fixed-base kernel: the wide-register path's own loop where there is one.
#include "ECCrypt/fast/feBaseWalk.h"

#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast {

bool FeBaseWalk(FeBaseAccumulator& acc, const BaseTableEntry (*rows)[kBaseDigits],
                const std::uint64_t* magnitude, const std::uint64_t* negative, int windows) {
  const detail::FeOps& ops = detail::FeActiveOps();
  if (ops.baseWalk == nullptr) return false;
  ops.baseWalk(acc, rows, magnitude, negative, windows);
  return true;
}

}  // namespace eccrypt::fast
