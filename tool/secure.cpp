#include "tool/secure.h"

#include <sodium.h>

namespace eccrypt::tool {

void WipeMemory(void* bytes, std::size_t count) {
  if (count != 0) sodium_memzero(bytes, count);
}

void Wipe(std::string& text) {
  // Wipe the whole buffer: characters past size() may still hold an older, longer secret.
  // Growing to the capacity never reallocates.
  text.resize(text.capacity());
  if (!text.empty()) sodium_memzero(text.data(), text.size());
  text.clear();
}

}  // namespace eccrypt::tool
