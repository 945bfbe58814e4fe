#include "ECCrypt/text/hexText.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "ECCrypt/fast/ct.h"
#include "ECCrypt/text/charMasks.h"

namespace eccrypt {
namespace {

using fast::CtDeclassify;

// All-ones when some digit of x (1..length) lies outside 0..65535. Only this verdict is made
// public; the digits are not.
std::uint64_t BadDigitMask(const TvlPoint& x, std::int32_t length) {
  std::uint64_t high = 0;
  for (std::int32_t k = 1; k <= length; ++k) {
    high |= static_cast<std::uint32_t>(x.Words[static_cast<std::size_t>(k)]) >> 16;
  }
  return ~fast::CtIsZeroMask(high);
}

}  // namespace

std::size_t WritableLength(const TvlPoint& x) {
  // The length of the text: public, though it follows the value of a secret in normal form.
  std::int32_t length = x.Words[0];
  CtDeclassify(length);
  if (length < 0 || length > TvlPoint::Capacity) {
    throw std::out_of_range("integer length word out of range");
  }
  const std::uint64_t bad = BadDigitMask(x, length);
  CtDeclassify(bad);
  if (bad != 0) throw std::out_of_range("integer digit out of range");
  return static_cast<std::size_t>(length);
}

std::string IntegerToHex(const TvlPoint& x) {
  const auto length = static_cast<std::int32_t>(WritableLength(x));

  // The text has its whole size before the first character goes in: no reallocation leaves a
  // partial copy of a secret behind, and every character is written by its position alone.
  std::string text(static_cast<std::size_t>(length) * 4, '\0');
  std::size_t at = 0;
  for (std::int32_t k = length; k >= 1; --k) {
    const auto d = static_cast<std::uint64_t>(x.Words[static_cast<std::size_t>(k)]);
    for (int shift = 12; shift >= 0; shift -= 4)
      text[at++] = textct::HexDigitChar((d >> shift) & 15);
  }
  return text;
}

void HexToInteger(std::string_view text, TvlPoint& target) {
  const std::size_t groups = text.size() / 4;
  if (groups > static_cast<std::size_t>(TvlPoint::Capacity)) {
    throw std::length_error("hexadecimal text longer than " + std::to_string(TvlPoint::Capacity) +
                            " digit groups");
  }
  // Every character of every whole group is read the same way, valid or not; the position of
  // the first bad one (1-based, 0 for none) is kept with masks and is the only thing made
  // public. The digits are staged in an integer, wiped on every way out: the text may be a
  // secret key, and a bad character must leave the target unchanged.
  TvlPoint staged;
  std::uint64_t firstBad = 0;
  for (std::size_t g = 0; g < groups; ++g) {
    std::uint64_t value = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const std::size_t at = 4 * g + k;
      std::uint64_t valid = 0;
      const std::uint64_t v = textct::HexDigitValue(static_cast<unsigned char>(text[at]), valid);
      const std::uint64_t firstHere = ~valid & fast::CtIsZeroMask(firstBad);
      firstBad = fast::CtSelect(firstHere, at + 1, firstBad);
      value = value * 16 + v;
    }
    // The first group is the most significant digit, digit number `groups`.
    staged.Words[groups - g] = static_cast<std::int32_t>(value);
  }
  CtDeclassify(firstBad);
  if (firstBad != 0) {
    throw std::invalid_argument("not a hexadecimal digit at position " + std::to_string(firstBad));
  }
  target.Words[0] = static_cast<std::int32_t>(groups);
  for (std::size_t i = 1; i <= groups; ++i) target.Words[i] = staged.Words[i];
}

}  // namespace eccrypt
