// The VPCLMULQDQ path: four independent elements side by side in one 512-bit register.
#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast::detail {

const FeOps* const kFeVpclmulOps = nullptr;

}  // namespace eccrypt::fast::detail
