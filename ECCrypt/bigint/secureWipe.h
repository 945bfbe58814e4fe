#pragma once
// SecureWipe: overwrites memory that held secrets with zeros before it is released.
// The stores go through a volatile pointer, so the compiler cannot drop them as dead even
// when the object is destroyed right afterwards.
#include <cstddef>

namespace eccrypt {

void SecureWipe(void* data, std::size_t size) noexcept;

}  // namespace eccrypt
