#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The one definition of the field, the curve and its base point, for every engine. Nothing here
// depends on another part of the library; the generators in tools/ read these values from this
// file (and .ci/steps/15-generated.sh fails when what they write no longer agrees).
//
// The field GF(2^255) is built as a tower:
//   GF(2^15)  = GF(2)[y] / (y^15 + y + 1)         a "unit": 15 bits, bit j the coefficient of y^j
//   GF(2^255) = GF(2^15)[x] / (x^17 + x^3 + 1)    17 units, unit i the coefficient of x^i
// Integer form of an element: bit 15 i + j is the coefficient of y^j x^i.
// The fast engine works in a second basis of the same field, GF(2)[t] / (t^255 + t^52 + 1),
// reached by a change of basis generated from the tower above.
//
// The curve E: y^2 + xy = x^3 + b, b = 161 (integer form, so an element of GF(2^15)). The base
// point G has prime order n; the whole group has CurveCofactor * n points.
#include <array>
#include <cstdint>

namespace eccrypt {

// --- GF(2^15): the units ---------------------------------------------------------------------

inline constexpr int UnitBits = 15;
// y^15 + y + 1 as a bit mask: bit j is the coefficient of y^j.
inline constexpr std::int32_t UnitPolynomial = (1 << 15) | (1 << 1) | 1;
// The number of nonzero units, 2^15 - 1: the order of the multiplicative group of GF(2^15).
inline constexpr std::int32_t NonzeroUnitCount = (1 << UnitBits) - 1;

// --- GF(2^255) over GF(2^15) -----------------------------------------------------------------

// x^17 + x^3 + 1: an element has this many units, and x^17 = x^MiddleExponent + 1 folds the
// units of a product back.
inline constexpr int FieldUnits = 17;
inline constexpr int FieldMiddleExponent = 3;
inline constexpr int FieldBits = UnitBits * FieldUnits;  // 255

// The fast engine's basis: GF(2)[t] / (t^255 + t^FastMiddleExponent + 1).
inline constexpr int FastMiddleExponent = 52;

// --- The curve y^2 + xy = x^3 + b --------------------------------------------------------------

// b, the constant term of the curve equation.
inline constexpr std::int32_t CurveB = 161;
// The square root of b: (0, CurveSqrtB) is the point of order 2.
inline constexpr std::int32_t CurveSqrtB = 3097;
// The cube root of b: x = CurveCbrtB gives x^3 = b, and the points (CurveCbrtB, 0) and
// (CurveCbrtB, CurveCbrtB).
inline constexpr std::int32_t CurveCbrtB = 2616;
// b and its roots lie in GF(2^15); the points with both coordinates in GF(2^15) form a subgroup
// of this many points (the zero point included), the cofactor of n.
inline constexpr std::int32_t CurveCofactor = 32460;

// --- The base point G --------------------------------------------------------------------------

// Units 1..17 of each coordinate, lowest first. In integer form x is
// 56FDCBC6A27ACEE0CC2996E0096AE74FEB1ACF220A2341B898B549440297B8CC and y is
// 20DA32E8AFC90B7CF0E76BDE44496B4D0794054E6EA60F388682463132F931A7.
inline constexpr std::array<std::int32_t, FieldUnits> BaseXUnits = {
    0x38CC, 0x052F, 0x2510, 0x45AA, 0x1B89, 0x4468, 0x4882, 0x0D67, 0x4FEB,
    0x55CE, 0x0025, 0x4CB7, 0x0CC2, 0x59DC, 0x289E, 0x65E3, 0x56FD};
inline constexpr std::array<std::int32_t, FieldUnits> BaseYUnits = {
    0x31A7, 0x65F2, 0x18C4, 0x3412, 0x7388, 0x54C1, 0x539B, 0x4A02, 0x4D07,
    0x12D6, 0x7911, 0x3B5E, 0x4F0E, 0x216F, 0x2BF2, 0x1974, 0x20DA};

// --- n, the prime order of G ----------------------------------------------------------------

// A 241-bit number, 2^240 < n < 2^241,
// 0x1026DD85081B82314691CED9BBEC30547840E4BF72D8B5E0D258442BBCD31; its 16 digits of 16 bits,
// least significant first (digit i + 1 of a TvlPoint is element i).
inline constexpr std::array<std::int32_t, 16> GroupOrderDigits = {
    0xCD31, 0x42BB, 0x2584, 0x5E0D, 0x2D8B, 0x4BF7, 0x840E, 0x0547,
    0xBEC3, 0xED9B, 0x691C, 0x2314, 0x81B8, 0xD850, 0x026D, 0x0001};

}  // namespace eccrypt
