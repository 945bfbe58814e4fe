// The ladder kernel: the wide-register path's own loop where there is one, else rounds of four
// independent products.
#include "ECCrypt/fast/feLadder.h"

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast {
namespace detail {

void FeLadderWalkGeneric(FeLadderPair& s, const Fe& px, const Fe& c, const std::uint64_t* k,
                         int bits) {
  Fe a[4], b[4], o[4];
  std::uint64_t previous = 0;
  for (int i = bits - 1; i >= 0; --i) {
    FeLadderStepFirstRound(s, previous, k, i, c, a, b);
    FeMul4(o, a, b);
    const Fe t1 = o[0];
    const Fe t2 = o[1];

    FeAdd(a[0], t1, t2);  // Z2 before squaring, X1 Z1, X1 + c Z1
    a[1] = o[2];
    FeAdd(a[2], s.x1, o[3]);
    a[3] = FeZero;
    FeSqr4(o, a);
    s.z2 = o[0];
    s.z1 = o[1];

    a[0] = px;  // px Z2, (X1 Z2)(X2 Z1), (X1 + c Z1)^4
    b[0] = s.z2;
    a[1] = t1;
    b[1] = t2;
    a[2] = o[2];
    b[2] = o[2];
    a[3] = FeZero;
    b[3] = FeZero;
    FeMul4(o, a, b);
    FeAdd(s.x2, o[0], o[1]);
    s.x1 = o[2];
  }
  FeLadderLastSwap(s, previous);
  SecureWipe(a, sizeof(a));
  SecureWipe(b, sizeof(b));
  SecureWipe(o, sizeof(o));
}

}  // namespace detail

void FeLadderWalk(FeLadderPair& s, const Fe& px, const Fe& c, const std::uint64_t* k, int bits) {
  const detail::FeOps& ops = detail::FeActiveOps();
  if (ops.ladderWalk != nullptr) {
    ops.ladderWalk(s, px, c, k, bits);
  } else {
    detail::FeLadderWalkGeneric(s, px, c, k, bits);
  }
}

void FeLadderWalkTwo(FeLadderPair& s1, const Fe& px1, FeLadderPair& s2, const Fe& px2, const Fe& c,
                     const std::uint64_t* k1, const std::uint64_t* k2, int bits) {
  const detail::FeOps& ops = detail::FeActiveOps();
  if (ops.ladderWalkTwo != nullptr) {
    ops.ladderWalkTwo(s1, px1, s2, px2, c, k1, k2, bits);
  } else {
    FeLadderWalk(s1, px1, c, k1, bits);
    FeLadderWalk(s2, px2, c, k2, bits);
  }
}

bool FeLadderWalkTwoInOneLoop() {
  return detail::FeActiveOps().ladderWalkTwo != nullptr;
}

}  // namespace eccrypt::fast
