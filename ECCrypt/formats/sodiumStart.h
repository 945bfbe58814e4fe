#pragma once
/// @file
/// @brief Internal: starts libsodium once before the formats use it.
#include "ECCrypt/api/result.h"

namespace eccrypt::formats {

/// Starts libsodium (once per process; safe from several threads). Returns an Error with
/// ErrorCode::Internal when it cannot start, which every format operation passes on.
[[nodiscard]] Result<void> StartSodium() noexcept;

}  // namespace eccrypt::formats
