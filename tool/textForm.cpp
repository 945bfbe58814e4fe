#include "tool/textForm.h"

#include <cstdint>
#include <vector>

#include "tool/secure.h"

namespace eccrypt::tool {

namespace {

// Characters outside the alphabet count as 0, like "+".
unsigned CharValue(char c) {
  const std::size_t at = kRadix64Alphabet.find(c);
  return at == std::string_view::npos ? 0 : static_cast<unsigned>(at);
}

unsigned HexValue(char c) {
  const std::size_t at = kHexDigits.find(c);
  return at == std::string_view::npos ? 0 : static_cast<unsigned>(at);
}

// Radix-64 text to the bytes it carries. Four characters make three bytes; pending bits at the
// end are flushed as if the character "0" (value 2) followed.
std::vector<std::uint8_t> DecodeRadix64(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() * 3 / 4 + 1);  // the flush adds at most one byte
  unsigned phase = 0;
  unsigned carry = 0;
  auto feed = [&](unsigned v) {
    switch (phase) {
      case 0:
        carry = (v << 2) & 0xFF;
        break;
      case 1:
        bytes.push_back(static_cast<std::uint8_t>(carry | (v >> 4)));
        carry = (v << 4) & 0xFF;
        break;
      case 2:
        bytes.push_back(static_cast<std::uint8_t>(carry | (v >> 2)));
        carry = (v << 6) & 0xFF;
        break;
      default:
        bytes.push_back(static_cast<std::uint8_t>(carry | v));
        carry = 0;
        break;
    }
    phase = (phase + 1) % 4;
  };
  for (const char c : text) feed(CharValue(c));
  if (carry != 0) feed(CharValue('0'));
  return bytes;
}

// Bytes to radix-64 text: three bytes make four characters; a partial group is completed
// with a zero byte.
std::string EncodeRadix64(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  unsigned phase = 0;
  unsigned carry = 0;
  auto feed = [&](unsigned b) {
    switch (phase) {
      case 0:
        text.push_back(kRadix64Alphabet[b >> 2]);
        break;
      case 1:
        text.push_back(kRadix64Alphabet[((carry & 3) << 4) | (b >> 4)]);
        break;
      default:
        text.push_back(kRadix64Alphabet[((carry & 15) << 2) | (b >> 6)]);
        text.push_back(kRadix64Alphabet[b & 63]);
        break;
    }
    carry = b;
    phase = (phase + 1) % 3;
  };
  for (const std::uint8_t b : bytes) feed(b);
  if (phase != 0) feed(0);
  return text;
}

}  // namespace

// Secret keys pass through here: every buffer is sized before it is filled, so no reallocation
// leaves a partial copy behind, and the byte buffers are wiped when done.
std::string ConvertTextForm(std::string_view text, TMode from, TMode to) {
  if (from == to) return std::string(text);
  if (from == TMode::Base64) {
    // The decoded bytes spell the hexadecimal text; whole groups of four digits (two bytes)
    // are the integer's digits, and a lone trailing byte is not part of it.
    std::vector<std::uint8_t> bytes = DecodeRadix64(text);
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      for (const std::uint8_t b : {bytes[i], bytes[i + 1]}) {
        hex.push_back(kHexDigits[b >> 4]);
        hex.push_back(kHexDigits[b & 15]);
      }
    }
    WipeMemory(bytes.data(), bytes.size());
    return hex;
  }
  std::vector<std::uint8_t> bytes;
  const std::size_t digits = text.size() / 4;  // 1 to 3 trailing characters are no digit
  bytes.reserve(2 * digits);
  for (std::size_t i = 0; i < digits * 4; i += 2) {
    bytes.push_back(static_cast<std::uint8_t>((HexValue(text[i]) << 4) | HexValue(text[i + 1])));
  }
  std::string result = EncodeRadix64(bytes);
  WipeMemory(bytes.data(), bytes.size());
  return result;
}

}  // namespace eccrypt::tool
