#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// TgfPoint: an element of GF(2^255) = GF(2^15)[x]/(x^17 + x^3 + 1).
//
// Representation: Units[0] is the length (number of significant units, 0..36; 0 is the zero
// element); Units[i] for i = 1..36 is the coefficient of x^(i-1), a unit of GF(2^15) held as
// 0..32767. A reduced element has length <= 17 and a nonzero top unit. Units above 17 give room
// for products before reduction. Units above the length may hold leftovers and are never part
// of the value. Integer form: 15 bits per unit, unit 1 lowest.
#include <array>
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/params/curveParameters.h"

namespace eccrypt {

class TgfPoint {
 public:
  static constexpr int ReducedUnits = FieldUnits;
  static constexpr int MaxUnits = 36;

  TgfPoint() = default;
  TgfPoint(const TgfPoint&) = default;
  TgfPoint& operator=(const TgfPoint&) = default;
  // Elements carry intermediate values of secret-scalar multiplications; wiped on release.
  ~TgfPoint();

  std::array<std::int32_t, MaxUnits + 1> Units{};

  void Zero();
  void CopyFrom(const TgfPoint& a);
  void AssignSmall(std::int32_t v);
  bool Equal(const TgfPoint& a) const;
  std::int32_t UnitCount() const { return Units[0]; }
  std::int32_t LowBit() const;
  void FlipLowBit();
  std::int32_t Trace() const;
  // self := a + b; any aliasing allowed.
  void Add(const TgfPoint& a, const TgfPoint& b);
  // self := a * b, reduced; self is neither a nor b.
  void Multiply(const TgfPoint& a, const TgfPoint& b);
  // self := a^2, reduced; self may be a.
  void Square(const TgfPoint& a);
  void Reduce();
  void DivideByUnit(std::int32_t c);
  // self := self + c * x^k * a as polynomials, not reduced; self is not a.
  void AddScaledShift(std::int32_t c, std::int32_t k, const TgfPoint& a);
  // destination := destination * 2^(15 * length) + integer form of self.
  void ToInteger(TvlPoint& destination) const;
  // self := the element whose integer form is source (reduced: leading zero digits of source,
  // as in a one-digit zero, are skipped). Throws std::out_of_range for a source of 2^255 or
  // more, which has no reduced element; self is then untouched.
  void FromInteger(const TvlPoint& source);

  // 0 when self := 1/a; 1 (self untouched) when a is zero. self is not a.
  std::int32_t Invert(const TgfPoint& a);
  // self := the square root of the one-unit element v. Throws std::out_of_range for v of 32768
  // or more, which is not a unit.
  void SquareRootOf(std::uint16_t v);
  // 0 when self := z with z^2 + z = a; 1 (self untouched) when the trace of a is 1.
  std::int32_t SolveQuadratic(const TgfPoint& a);
  // true: x of the base point; false: y of the base point.
  void LoadBaseCoordinate(bool which);
};

}  // namespace eccrypt
