#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// TvlPoint: the unsigned multi-precision integer of the system.
//
// Representation: Words[0] is the length L (0..19, 0 is the value zero); Words[1..19] are the
// digits, 16 bits each (0..65535), least significant first. The value is
// sum(Words[i] * 65536^(i-1)) for i = 1..L. Words above L may hold leftovers and are never
// part of the value. Normal form: when L > 0 the top digit is nonzero.
//
// Operations follow the classic fixed-capacity semantics the stored texts depend on. Where the
// classic code would step outside the 20 words (a sum needing a 20th digit, a subtraction that
// would go below zero, a zero modulus, a shift outside 0..16) these operations throw instead of
// touching memory out of bounds; no value the system computes itself comes near those limits.
// A length word outside 0..19, which only a direct writer can produce, makes any operation
// throw std::out_of_range rather than follow it.
#include <array>
#include <cstddef>
#include <cstdint>

namespace eccrypt {

class TvlPoint {
 public:
  static constexpr int Capacity = 19;  // digits
  static constexpr std::int32_t DigitBase = 65536;

  TvlPoint() = default;
  TvlPoint(const TvlPoint&) = default;
  TvlPoint& operator=(const TvlPoint&) = default;
  // Integers hold secret keys and nonces, so every integer is wiped when it is released.
  ~TvlPoint();

  // Raw words, accessed directly by the text forms, the field conversions and the tests.
  std::array<std::int32_t, Capacity + 1> Words{};

  std::int32_t Length() const { return Words[0]; }
  // Digit i (1..19) as an unsigned 16-bit quantity. Every writer keeps digits in 0..65535; the
  // mask keeps the arithmetic on a digit within bounds if a direct writer did not.
  std::uint32_t Digit(std::int32_t i) const {
    // Words holds Capacity + 1 entries, so a length word of 19 names a digit in bounds.
    // cppcheck-suppress containerOutOfBounds
    return static_cast<std::uint32_t>(Words[static_cast<std::size_t>(i)]) & 0xFFFFU;
  }
  bool IsZero() const { return Words[0] == 0; }

  void Zero();
  // L and d1..dL := those of src; words above src's length are left as they were.
  void CopyFrom(const TvlPoint& src);
  // L := 1, d1 := v (also for v = 0, which gives a one-digit zero). v in 0..65535.
  void AssignSmall(std::int32_t v);
  // Self := Self + other. other may be Self. Throws std::overflow_error if the sum needs a
  // 20th digit.
  void Add(const TvlPoint& other);
  // Self := Self - other, requires Self >= other (throws std::domain_error otherwise).
  void Subtract(const TvlPoint& other);
  bool Greater(const TvlPoint& other) const;
  bool Equal(const TvlPoint& other) const;
  // Self := Self mod m, by shift and subtract. m may be Self. Throws std::domain_error for
  // m = 0. Correct for every Self of up to 19 digits; zero top digits of Self or m are
  // ignored (a one-digit zero Self stays as it is).
  void Remainder(const TvlPoint& m);
  // Self := src * k, k in 0..65535; src may be Self. With k >= 2 and a 19-digit src there is no
  // room: the message "ERROR: not enough room for multiplication" is shown and Self is left
  // unchanged.
  void MulSmall(const TvlPoint& src, std::int32_t k);
  // Self := a * b mod m. a, b and m may be one object, and Self may be any of them (the
  // product is built aside). Throws std::domain_error for m = 0, and may throw std::overflow_error
  // for a modulus of 2^303 or more, whose doubles no longer fit.
  void MulMod(const TvlPoint& a, const TvlPoint& b, const TvlPoint& m);
  // Self := Self * 2^s, s in 0..16; a 19-digit value keeps L = 19 and drops the bits that leave.
  void ShiftLeft(std::int32_t s);
  // Self := Self div 2^s, s in 0..16.
  void ShiftRight(std::int32_t s);
  // Bit i (bit 0 least significant); 0 for i < 0 or i >= 16 * L.
  std::int32_t TestBit(std::int32_t i) const;
  std::int32_t BitLength() const;
  // true: Self := n, the prime order of the base point (16 digits); false: Zero.
  void LoadOrder(bool flag);
  // Fills a zero integer with 17 random digits from the runtime generator (ECCrypt/hash).
  void FillRandom();
};

}  // namespace eccrypt
