#pragma once
// The text forms as they were first written: straightforward code that branches on characters
// and looks digits up in tables. The library's constant-time text forms must give exactly what
// these give, every output and every refusal (exception type and message); the tests hold them
// against each other.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::testsupport::reference {

inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

inline std::string IntegerToHex(const TvlPoint& x) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::int32_t length = x.Words[0];
  if (length < 0 || length > TvlPoint::Capacity) {
    throw std::out_of_range("integer length word out of range");
  }
  std::string text;
  for (std::int32_t k = length; k >= 1; --k) {
    const std::int32_t digit = x.Words[static_cast<std::size_t>(k)];
    if (digit < 0 || digit >= TvlPoint::DigitBase) {
      throw std::out_of_range("integer digit out of range");
    }
    const auto d = static_cast<unsigned>(digit);
    for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(d >> shift) & 15u];
  }
  return text;
}

inline void HexToInteger(std::string_view text, TvlPoint& target) {
  const std::size_t groups = text.size() / 4;
  if (groups > static_cast<std::size_t>(TvlPoint::Capacity)) {
    throw std::length_error("hexadecimal text longer than " + std::to_string(TvlPoint::Capacity) +
                            " digit groups");
  }
  TvlPoint staged;
  for (std::size_t g = 0; g < groups; ++g) {
    std::int32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const int v = HexDigitValue(text[4 * g + k]);
      if (v < 0) {
        throw std::invalid_argument("not a hexadecimal digit at position " +
                                    std::to_string(4 * g + k + 1));
      }
      value = value * 16 + v;
    }
    staged.Words[groups - g] = value;
  }
  target.Words[0] = static_cast<std::int32_t>(groups);
  for (std::size_t i = 1; i <= groups; ++i) target.Words[i] = staged.Words[i];
}

constexpr char Alphabet[] = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

inline std::uint8_t Radix64Value(char c) {
  if (c >= '0' && c <= '9') return static_cast<std::uint8_t>(c - '0' + 2);
  if (c >= 'A' && c <= 'Z') return static_cast<std::uint8_t>(c - 'A' + 12);
  if (c >= 'a' && c <= 'z') return static_cast<std::uint8_t>(c - 'a' + 38);
  if (c == '-') return 1;
  return 0;
}

inline unsigned HalfByte(char c) {
  unsigned v = (static_cast<unsigned char>(c) - 48u) & 0xFFu;
  if (v > 9) v = (v - 7u) & 0xFFu;
  return v;
}

inline std::string HexToBase64(std::string_view hex) {
  std::string out;
  int phase = 0;
  unsigned carry = 0;
  auto encode = [&](unsigned b) {
    switch (phase) {
      case 0:
        out += Alphabet[(b / 4u) & 63u];
        carry = b;
        break;
      case 1:
        out += Alphabet[((carry % 4u) * 16u + b / 16u) & 63u];
        carry = b;
        break;
      default:
        out += Alphabet[((carry % 16u) * 4u + b / 64u) & 63u];
        out += Alphabet[(b % 64u) & 63u];
        break;
    }
    phase = phase == 2 ? 0 : phase + 1;
  };
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const unsigned high = HalfByte(hex[i]);
    const unsigned low = i + 1 < hex.size() ? HalfByte(hex[i + 1]) : 0u;
    encode((high * 16u + low) & 0xFFu);
  }
  if (phase != 0) encode(0);
  return out;
}

inline std::string Base64ToHex(std::string_view text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  int phase = 0;
  std::uint8_t carry = 0;
  auto append = [&](unsigned byte) {
    out += kDigits[(byte >> 4) & 15u];
    out += kDigits[byte & 15u];
  };
  auto decode = [&](char c) {
    const unsigned v = Radix64Value(c);
    switch (phase) {
      case 0:
        carry = static_cast<std::uint8_t>(v * 4u);
        break;
      case 1:
        append(carry | (v / 16u));
        carry = static_cast<std::uint8_t>(v * 16u);
        break;
      case 2:
        append(carry | (v / 4u));
        carry = static_cast<std::uint8_t>(v * 64u);
        break;
      default:
        append(carry | v);
        carry = 0;
        break;
    }
    phase = phase == 3 ? 0 : phase + 1;
  };
  for (char c : text) decode(c);
  if (carry != 0) decode('0');
  return out;
}

}  // namespace eccrypt::testsupport::reference
