// TgfPoint::ToInteger and TgfPoint::FromInteger: the integer form of an element, 15 bits per
// unit with unit 1 lowest.
#include <bit>
#include <cstddef>
#include <stdexcept>

#include "ECCrypt/field/gfPoint.h"

namespace eccrypt {
namespace {

constexpr std::int32_t kUnitBits = 15;
constexpr std::int32_t kDigitBits = 16;

// The index of the highest nonzero digit (0 when the value is zero). Leading zero digits under
// the length, which a one-digit zero has, are skipped. Throws std::out_of_range for a value of
// 2^255 or more (or a length word outside 0..19): such an integer has no reduced element and
// would give up to 21 units, more than the arithmetic accepts.
std::int32_t TopDigitBelow2To255(const TvlPoint& s) {
  const std::int32_t len = s.Words[0];
  if (len < 0 || len > TvlPoint::Capacity) {
    throw std::out_of_range("TgfPoint::FromInteger: malformed integer");
  }
  std::int32_t top = len;
  while (top > 0 && s.Digit(top) == 0) --top;
  if (top > 16 || (top == 16 && (s.Digit(16) & 0x8000U) != 0)) {
    throw std::out_of_range("TgfPoint::FromInteger: integer of 2^255 or more");
  }
  return top;
}

}  // namespace

// destination := destination * 2^(15 * length) + the integer form of self, top unit first. A
// reduced element has at most 255 bits; the zero element leaves destination as it was.
void TgfPoint::ToInteger(TvlPoint& destination) const {
  TvlPoint unit;
  for (std::int32_t i = Units[0]; i >= 1; --i) {
    destination.ShiftLeft(kUnitBits);
    unit.AssignSmall(Units[static_cast<std::size_t>(i)]);
    destination.Add(unit);
  }
}

// Unit i := bits 15(i-1) .. 15(i-1)+14 of source, for i up to the unit holding the highest set
// bit, so the top unit is nonzero and the result is reduced; a source whose value is zero gives
// the zero element. Units above the new length are left as they were. A source of 2^255 or
// more is rejected before self is touched. The source is only read.
void TgfPoint::FromInteger(const TvlPoint& source) {
  const std::int32_t top = TopDigitBelow2To255(source);
  if (top == 0) {
    Units[0] = 0;
    return;
  }
  const std::int32_t bits =
      kDigitBits * (top - 1) + static_cast<std::int32_t>(std::bit_width(source.Digit(top)));
  const std::int32_t n = (bits + kUnitBits - 1) / kUnitBits;
  for (std::int32_t i = 1; i <= n; ++i) {
    const std::int32_t pos = kUnitBits * (i - 1);
    const std::int32_t d = pos / kDigitBits + 1;  // digit holding the unit's lowest bit
    const auto shift = static_cast<std::uint32_t>(pos % kDigitBits);
    std::uint32_t v = source.Digit(d) >> shift;
    if (d < top) v |= source.Digit(d + 1) << (kDigitBits - shift);
    Units[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(v & 0x7FFFU);
  }
  Units[0] = n;
}

}  // namespace eccrypt
