#include "ECCrypt/fast/baseTableVartime.h"

#include <array>

#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/pointVartime.h"

namespace eccrypt::fast {

const AffinePoint* BaseOddMultiples() {
  static const std::array<AffinePoint, BaseTableSize> table = [] {
    std::array<AffinePoint, BaseTableSize> t;
    OddMultiplesVartime(t.data(), AffinePoint{kBaseX, kBaseY, 0}, t.size());
    return t;
  }();
  return table.data();
}

}  // namespace eccrypt::fast
