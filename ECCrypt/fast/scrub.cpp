#include "ECCrypt/fast/scrub.h"

#include "ECCrypt/bigint/secureWipe.h"

namespace eccrypt::fast {

// Not inlined, so that its frame lies below the caller's, where the caller's callees ran.
[[gnu::noinline]] void ScrubStack() {
  unsigned char area[kScrubBytes];
  SecureWipe(area, sizeof(area));
}

}  // namespace eccrypt::fast
