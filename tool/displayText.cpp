#include "tool/displayText.h"

#include <cstdint>

namespace eccrypt::tool {

namespace {

constexpr std::string_view kLowerHex = "0123456789abcdef";

// One character of the text: its length in bytes and its code point, or, for a byte that does
// not start a well-formed UTF-8 sequence, length 1 and no code point.
struct TCharacter {
  std::size_t length = 1;
  bool wellFormed = false;
  std::uint32_t codePoint = 0;
};

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// Reads the character at text[at]: shortest form only, no surrogates, nothing above U+10FFFF.
TCharacter NextCharacter(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {1, true, lead};
  std::size_t length = 0;
  std::uint32_t codePoint = 0;
  std::uint32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1Fu;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0Fu;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07u;
    least = 0x10000;
  } else {
    return {};
  }
  if (text.size() - at < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(byte(i))) return {};
    codePoint = (codePoint << 6) | (byte(i) & 0x3Fu);
  }
  if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    return {};
  }
  return {length, true, codePoint};
}

// Characters that control the terminal or the direction of text.
bool IsControl(std::uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void AppendHex(std::string& out, std::uint32_t value, int digits) {
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) {
    out.push_back(kLowerHex[(value >> shift) & 15u]);
  }
}

}  // namespace

std::string DisplayText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const TCharacter c = NextCharacter(text, at);
    if (!c.wellFormed || c.codePoint < 0x20 || c.codePoint == 0x7F) {
      out += "\\x";
      AppendHex(out, static_cast<unsigned char>(text[at]), 2);
    } else if (c.codePoint == '\\') {
      out += "\\\\";
    } else if (IsControl(c.codePoint)) {
      out += "\\u";
      AppendHex(out, c.codePoint, 4);
    } else {
      out.append(text.substr(at, c.length));
    }
    at += c.length;
  }
  return out;
}

bool IsPlainText(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const TCharacter c = NextCharacter(text, at);
    if (!c.wellFormed || IsControl(c.codePoint)) return false;
    at += c.length;
  }
  return true;
}

}  // namespace eccrypt::tool
