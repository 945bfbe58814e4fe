#include "ECCrypt/text/hexText.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace eccrypt {
namespace {

// 0..15 for 0-9, A-F and a-f; -1 for every other character.
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string IntegerToHex(const TvlPoint& x) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const std::int32_t length = x.Words[0];
  if (length < 0 || length > TvlPoint::Capacity) {
    throw std::out_of_range("integer length word out of range");
  }
  std::string text;
  text.reserve(static_cast<std::size_t>(length) * 4);
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

void HexToInteger(std::string_view text, TvlPoint& target) {
  const std::size_t groups = text.size() / 4;
  if (groups > static_cast<std::size_t>(TvlPoint::Capacity)) {
    throw std::length_error("hexadecimal text longer than " + std::to_string(TvlPoint::Capacity) +
                            " digit groups");
  }
  // Convert every group before touching the target, so a bad character changes nothing. The
  // digits are staged in an integer, which is wiped on every way out like any other: the text
  // may be a secret key.
  TvlPoint staged;
  for (std::size_t g = 0; g < groups; ++g) {
    std::int32_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const char c = text[4 * g + k];
      const int v = DigitValue(c);
      if (v < 0) {
        throw std::invalid_argument("not a hexadecimal digit at position " +
                                    std::to_string(4 * g + k + 1));
      }
      value = value * 16 + v;
    }
    // The first group is the most significant digit, digit number `groups`.
    staged.Words[groups - g] = value;
  }
  target.Words[0] = static_cast<std::int32_t>(groups);
  for (std::size_t i = 1; i <= groups; ++i) target.Words[i] = staged.Words[i];
}

}  // namespace eccrypt
