#pragma once
// SecureWipe: overwrites memory that held secrets with zeros before it is released.
// The zeros are written so that the compiler cannot drop them as dead even when the object is
// destroyed right afterwards (a memset behind a memory barrier, or volatile stores).
#include <cstddef>

namespace eccrypt {

void SecureWipe(void* data, std::size_t size) noexcept;

}  // namespace eccrypt
