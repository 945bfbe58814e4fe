#include "ECPlatform/SecureWipe.h"

#include <cstring>

namespace ecplatform {

void SecureWipe(void* data, std::size_t size) noexcept {
#if defined(__GNUC__)
  // A plain memset (fast, vectorised) followed by an empty assembly statement that takes the
  // pointer and clobbers memory: the compiler must assume the zeros are read, so it cannot drop
  // the stores as dead even when the object is destroyed right afterwards.
  if (size == 0) return;
  std::memset(data, 0, size);
  __asm__ __volatile__("" : : "r"(data) : "memory");
#else
  volatile unsigned char* p = static_cast<volatile unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) p[i] = 0;
#endif
}

void WipeText(std::string& text) noexcept {
  // Growing to the capacity stays inside the buffer: no allocation, nothing thrown. It makes
  // the whole buffer part of the text, so it can be wiped through data().
  text.resize(text.capacity());
  SecureWipe(text.data(), text.size());
  text.clear();
}

}  // namespace ecplatform
