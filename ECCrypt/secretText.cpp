#include "ECCrypt/secretText.h"

#include "ECCrypt/bigint/secureWipe.h"

namespace eccrypt {

void WipeText(std::string& text) noexcept {
  // Growing to the capacity stays inside the buffer: no allocation, nothing thrown. It makes
  // the whole buffer part of the text, so it can be wiped through data().
  text.resize(text.capacity());
  SecureWipe(text.data(), text.size());
  text.clear();
}

}  // namespace eccrypt
