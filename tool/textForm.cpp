#include "tool/textForm.h"

#include <algorithm>

#include "ECCrypt/text/base64Text.h"
#include "tool/secure.h"

namespace eccrypt::tool {

// Secret keys pass through here: the library's conversions are constant time in the characters,
// and the longer intermediate text is wiped once the whole groups are copied out.
std::string ConvertTextForm(std::string_view text, TMode from, TMode to) {
  if (from == to) return std::string(text);
  constexpr std::size_t GroupChars = 4;  // one 16-bit digit in hexadecimal
  if (from == TMode::Hex) return HexToBase64(text.substr(0, text.size() / GroupChars * GroupChars));
  TSecretString hex(Base64ToHex(text));
  return hex.text.substr(0, hex.text.size() / GroupChars * GroupChars);
}

bool IsTextOfMode(std::string_view text, TMode mode) {
  const std::string_view alphabet = mode == TMode::Hex ? kHexDigits : kRadix64Alphabet;
  return std::all_of(text.begin(), text.end(),
                     [&](char c) { return alphabet.find(c) != std::string_view::npos; });
}

}  // namespace eccrypt::tool
