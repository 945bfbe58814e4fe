// TEllipticCurve::KeySessionBytes: the session key as 32 bytes, most significant first.
#include <cstddef>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {

// Digit i (16 bits, 1 lowest) lands in bytes 32 - 2i (high half) and 33 - 2i (low half). The
// length word is public (it follows from the text's length); the digits are not, so they are
// written without a branch on their values, and the test for a value of 2^256 or more folds
// every digit above the 16th before it looks.
bool TEllipticCurve::KeySessionBytes(std::array<std::uint8_t, 32>& out) const noexcept {
  out.fill(0);
  if (keySession_.empty()) return false;
  try {
    TvlPoint value;
    TextToInteger(keySession_, value);
    constexpr std::int32_t BytesDigits = 16;
    std::int32_t above = 0;
    for (std::int32_t i = 1; i <= value.Length(); ++i) {
      const std::int32_t digit = value.Words[static_cast<std::size_t>(i)];
      if (i > BytesDigits) {
        above |= digit;
        continue;
      }
      const auto low = static_cast<std::size_t>(33 - 2 * i);
      out[low] = static_cast<std::uint8_t>(digit & 0xFF);
      out[low - 1] = static_cast<std::uint8_t>((digit >> 8) & 0xFF);
    }
    if (above == 0) return true;
  } catch (...) {
    // A text the integer record cannot hold: no session key.
  }
  SecureWipe(out.data(), out.size());
  return false;
}

}  // namespace eccrypt
