#include "ECCrypt/bigint/vlPoint.h"

#include <bit>
#include <cstddef>
#include <stdexcept>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/params/curveParameters.h"
#include "ECPlatform/ShowMessage.h"

namespace eccrypt {
namespace {

constexpr std::size_t Cap = TvlPoint::Capacity;
constexpr std::uint32_t DigitMask = 0xFFFF;
constexpr std::int32_t CapacityBits = 16 * TvlPoint::Capacity;

// The length word, checked to lie within 0..19: every loop below is bounded by it, so a
// length word written out of range by a direct writer can never walk out of the array.
std::size_t Len(const TvlPoint& x) {
  const std::int32_t len = x.Words[0];
  if (len < 0 || len > TvlPoint::Capacity) {
    throw std::out_of_range("TvlPoint: length word outside 0..19");
  }
  return static_cast<std::size_t>(len);
}

void SetLen(TvlPoint& x, std::size_t len) {
  x.Words[0] = static_cast<std::int32_t>(len);
}

// Digit i of x (TvlPoint::Digit), at an index the loops here count as a size.
std::uint32_t DigitAt(const TvlPoint& x, std::size_t i) {
  return x.Digit(static_cast<std::int32_t>(i));
}

void SetDigit(TvlPoint& x, std::size_t i, std::uint32_t v) {
  x.Words[i] = static_cast<std::int32_t>(v & DigitMask);
}

// Drops zero top digits, but keeps a one-digit zero as it is.
void TrimKeepingOneDigit(TvlPoint& x) {
  std::size_t len = Len(x);
  while (len > 1 && DigitAt(x, len) == 0) --len;
  SetLen(x, len);
}

void Trim(TvlPoint& x) {
  std::size_t len = Len(x);
  while (len > 0 && DigitAt(x, len) == 0) --len;
  SetLen(x, len);
}

}  // namespace

TvlPoint::~TvlPoint() {
  SecureWipe(Words.data(), sizeof(Words));
}

void TvlPoint::Zero() {
  Words.fill(0);
}

void TvlPoint::CopyFrom(const TvlPoint& src) {
  const std::size_t len = Len(src);
  for (std::size_t i = 0; i <= len; ++i) Words[i] = src.Words[i];
}

void TvlPoint::AssignSmall(std::int32_t v) {
  if (v < 0 || v >= DigitBase)
    throw std::invalid_argument("TvlPoint::AssignSmall: v outside 0..65535");
  Words[0] = 1;
  Words[1] = v;
}

void TvlPoint::Add(const TvlPoint& other) {
  const std::size_t otherLen = Len(other);
  std::size_t len = Len(*this);
  // The sum is built aside so that an overflow leaves Self as it was. other may be Self:
  // it is only read, and Self's words are not written until the end.
  TvlPoint sum;
  sum.Words = Words;
  for (; len < otherLen; ++len) sum.Words[len + 1] = 0;

  std::uint32_t carry = 0;
  for (std::size_t i = 1; i <= otherLen; ++i) {
    const std::uint32_t t = DigitAt(sum, i) + DigitAt(other, i) + carry;
    SetDigit(sum, i, t);
    carry = t >> 16;
  }
  for (std::size_t i = otherLen + 1; carry != 0; ++i) {
    if (i > len) {
      if (len == Cap) throw std::overflow_error("TvlPoint::Add: sum needs more than 19 digits");
      sum.Words[i] = 0;
      len = i;
    }
    const std::uint32_t t = DigitAt(sum, i) + carry;
    SetDigit(sum, i, t);
    carry = t >> 16;
  }
  SetLen(sum, len);
  Words = sum.Words;
}

void TvlPoint::Subtract(const TvlPoint& other) {
  const std::size_t len = Len(*this);
  // Zero top digits of other beyond Self's length carry no value (a one-digit zero is zero).
  std::size_t otherLen = Len(other);
  while (otherLen > len && DigitAt(other, otherLen) == 0) --otherLen;
  if (otherLen > len) throw std::domain_error("TvlPoint::Subtract: result would be negative");

  // Built aside so that a negative result leaves Self as it was; other may be Self.
  TvlPoint diff;
  diff.Words = Words;
  std::uint32_t borrow = 0;
  for (std::size_t i = 1; i <= otherLen; ++i) {
    const std::uint32_t t = DigitAt(diff, i) + 0x10000 - DigitAt(other, i) - borrow;
    SetDigit(diff, i, t);
    borrow = t >= 0x10000 ? 0 : 1;
  }
  // Take a pending borrow from the digits above; running past the length means Self < other.
  for (std::size_t i = otherLen + 1; borrow != 0; ++i) {
    if (i > len) throw std::domain_error("TvlPoint::Subtract: result would be negative");
    if (DigitAt(diff, i) == 0) {
      SetDigit(diff, i, DigitMask);
    } else {
      SetDigit(diff, i, DigitAt(diff, i) - 1);
      borrow = 0;
    }
  }
  Trim(diff);
  Words = diff.Words;
}

bool TvlPoint::Greater(const TvlPoint& other) const {
  const std::size_t len = Len(*this);
  const std::size_t otherLen = Len(other);
  if (len != otherLen) return len > otherLen;
  for (std::size_t i = len; i >= 1; --i) {
    if (DigitAt(*this, i) != DigitAt(other, i)) return DigitAt(*this, i) > DigitAt(other, i);
  }
  return false;
}

bool TvlPoint::Equal(const TvlPoint& other) const {
  const std::size_t len = Len(*this);
  if (len != Len(other)) return false;
  for (std::size_t i = 1; i <= len; ++i) {
    if (DigitAt(*this, i) != DigitAt(other, i)) return false;
  }
  return true;
}

void TvlPoint::Remainder(const TvlPoint& m) {
  // t is a private, trimmed copy of m, so m may be Self and a modulus written with zero top
  // digits still compares by its value.
  TvlPoint t;
  t.CopyFrom(m);
  Trim(t);
  if (t.IsZero()) throw std::domain_error("TvlPoint::Remainder: zero modulus");
  // Self is compared by length below, so zero top digits are dropped first (a one-digit zero
  // is below every nonzero t and stays as it is).
  TrimKeepingOneDigit(*this);

  // Double t while it is below Self, but never past 304 bits, where a further doubling would
  // drop its top bit. Afterwards Self < 2t: either t >= Self, or t has 304 bits, so
  // 2t >= 2^304 > Self.
  std::int32_t k = 0;
  while (Greater(t) && t.BitLength() < CapacityBits) {
    t.ShiftLeft(1);
    ++k;
  }
  // Invariant Self < 2t: halving t (exact, as t = m * 2^k with k > 0) happens only when
  // t > Self, so the new 2t is the old t > Self; subtracting t when t <= Self < 2t leaves
  // Self < t. Each pass halves t or leaves Self < t, so it ends at k = 0 with Self < m.
  for (;;) {
    if (t.Greater(*this)) {
      if (k == 0) break;
      t.ShiftRight(1);
      --k;
    } else {
      Subtract(t);
    }
  }
}

void TvlPoint::MulSmall(const TvlPoint& src, std::int32_t k) {
  if (k < 0 || k >= DigitBase)
    throw std::invalid_argument("TvlPoint::MulSmall: k outside 0..65535");
  if (k == 0) {
    Zero();
    return;
  }
  if (k == 1) {
    CopyFrom(src);
    return;
  }
  const std::size_t len = Len(src);
  if (len == Cap) {
    ecplatform::ShowMessage("ERROR: not enough room for multiplication");
    return;
  }
  // src may be Self: digit i is read before it is written. t <= 65535 * 65535 + 65534 fits
  // in 32 unsigned bits, and the final carry in one digit.
  const auto factor = static_cast<std::uint32_t>(k);
  std::uint32_t carry = 0;
  for (std::size_t i = 1; i <= len; ++i) {
    const std::uint32_t t = DigitAt(src, i) * factor + carry;
    SetDigit(*this, i, t);
    carry = t >> 16;
  }
  if (carry != 0) {
    SetDigit(*this, len + 1, carry);
    SetLen(*this, len + 1);
  } else {
    SetLen(*this, len);
  }
}

void TvlPoint::MulMod(const TvlPoint& a, const TvlPoint& b, const TvlPoint& m) {
  const std::size_t aLen = Len(a);
  // t starts as b mod m: the result is the same as doubling b itself, and t < m means the
  // doublings below stay within the capacity for every modulus below 2^303.
  TvlPoint t;
  t.CopyFrom(b);
  t.Remainder(m);
  // The product is built aside and copied in at the end, so Self may also be a, b or m.
  TvlPoint product;
  for (std::size_t i = 1; i <= aLen; ++i) {
    const std::uint32_t digit = DigitAt(a, i);
    for (unsigned j = 0; j < 16; ++j) {
      if (((digit >> j) & 1U) != 0) {
        product.Add(t);
        product.Remainder(m);
      }
      if (t.BitLength() >= CapacityBits) {
        throw std::overflow_error("TvlPoint::MulMod: modulus too large to double below it");
      }
      t.ShiftLeft(1);
      t.Remainder(m);
    }
  }
  Words = product.Words;
}

void TvlPoint::ShiftLeft(std::int32_t s) {
  if (s < 0 || s > 16) throw std::invalid_argument("TvlPoint::ShiftLeft: s outside 0..16");
  std::size_t len = Len(*this);
  if (s == 0 || len == 0) return;
  const auto up = static_cast<unsigned>(s);
  const unsigned down = 16 - up;
  // Grow by one digit when bits leave the top one; a 19-digit value drops them instead.
  if ((DigitAt(*this, len) >> down) != 0 && len < Cap) {
    ++len;
    Words[len] = 0;
    SetLen(*this, len);
  }
  for (std::size_t i = len; i >= 2; --i) {
    SetDigit(*this, i, (DigitAt(*this, i) << up) | (DigitAt(*this, i - 1) >> down));
  }
  SetDigit(*this, 1, DigitAt(*this, 1) << up);
}

void TvlPoint::ShiftRight(std::int32_t s) {
  if (s < 0 || s > 16) throw std::invalid_argument("TvlPoint::ShiftRight: s outside 0..16");
  const std::size_t len = Len(*this);
  if (s == 0 || len == 0) return;
  const auto down = static_cast<unsigned>(s);
  const unsigned up = 16 - down;
  for (std::size_t i = 1; i < len; ++i) {
    SetDigit(*this, i, (DigitAt(*this, i) >> down) | (DigitAt(*this, i + 1) << up));
  }
  SetDigit(*this, len, DigitAt(*this, len) >> down);
  Trim(*this);
}

std::int32_t TvlPoint::TestBit(std::int32_t i) const {
  const auto len = static_cast<std::int32_t>(Len(*this));
  if (i < 0 || i >= 16 * len) return 0;
  const auto digit = DigitAt(*this, static_cast<std::size_t>(i / 16) + 1);
  return static_cast<std::int32_t>((digit >> (i % 16)) & 1U);
}

std::int32_t TvlPoint::BitLength() const {
  const std::size_t len = Len(*this);
  if (len == 0) return 0;
  // 16 * (L - 1) plus the position of the top digit's highest set bit (0 for a zero top
  // digit, so a one-digit zero has bit length 0).
  return static_cast<std::int32_t>(16 * (len - 1)) +
         static_cast<std::int32_t>(std::bit_width(DigitAt(*this, len)));
}

void TvlPoint::LoadOrder(bool flag) {
  if (!flag) {
    Zero();
    return;
  }
  // Words above the 16 digits of n are left as they were.
  Words[0] = static_cast<std::int32_t>(GroupOrderDigits.size());
  for (std::size_t i = 0; i < GroupOrderDigits.size(); ++i) Words[i + 1] = GroupOrderDigits[i];
}

}  // namespace eccrypt
