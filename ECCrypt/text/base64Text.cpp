#include "ECCrypt/text/base64Text.h"

#include <cstddef>
#include <cstdint>

#include "ECCrypt/text/base64.h"

namespace eccrypt {
namespace {

// (code - 48) mod 256, less 7 (mod 256) when that exceeds 9: 0..15 for 0-9 and A-F.
unsigned HalfByte(char c) {
  unsigned v = (static_cast<unsigned char>(c) - 48u) & 0xFFu;
  if (v > 9) v = (v - 7u) & 0xFFu;
  return v;
}

}  // namespace

// The texts may be those of secret keys. Each codec's Output is given its whole size before the
// first character goes in, so that no reallocation leaves a partial copy behind; the codec
// wipes it when it goes.

std::string HexToBase64(std::string_view hex) {
  TBase64 codec;
  codec.Output.reserve(hex.size() + 4);  // ceil(ceil(n / 2) / 3) * 4 <= n + 4 characters
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const unsigned high = HalfByte(hex[i]);
    const unsigned low = i + 1 < hex.size() ? HalfByte(hex[i + 1]) : 0u;
    codec.EncodeByte(static_cast<std::uint8_t>((high * 16u + low) & 0xFFu));
  }
  return codec.FinishEncode();
}

std::string Base64ToHex(std::string_view text) {
  TBase64 codec;
  codec.Output.reserve(2 * text.size() + 2);  // 2 digits for each of <= 3k/4 + 1 bytes
  for (char c : text) codec.DecodeChar(c);
  return codec.FinishDecode();
}

}  // namespace eccrypt
