#include "ECCrypt/formats/sodiumStart.h"

#include <sodium.h>

namespace eccrypt::formats {

Result<void> StartSodium() noexcept {
  // sodium_init is itself safe to call from several threads and more than once; a static
  // keeps the answer of the first call.
  static const bool started = sodium_init() >= 0;
  if (!started) return Error(ErrorCode::Internal, "the cryptographic library failed to start");
  return {};
}

}  // namespace eccrypt::formats
