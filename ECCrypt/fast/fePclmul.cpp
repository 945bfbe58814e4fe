// The PCLMULQDQ multiplication path.
#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast::detail {

const FeOps* const kFePclmulOps = nullptr;

}  // namespace eccrypt::fast::detail
