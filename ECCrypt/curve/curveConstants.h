#pragma once
// Constants of the curve E: y^2 + xy = x^3 + b over GF(2^255).
//
// b and the square root and cube root below lie in the subfield GF(2^15), so they are units.
// The points with both coordinates in GF(2^15) form a subgroup of 32460 points (the zero point
// included); the whole group has 32460 * n points, n the prime order of the base point G.
#include <cstdint>

namespace eccrypt {

// b, the constant term of the curve equation.
inline constexpr std::int32_t CurveB = 161;
// The square root of b: (0, CurveSqrtB) is the point of order 2.
inline constexpr std::int32_t CurveSqrtB = 3097;
// The cube root of b: x = CurveCbrtB gives x^3 = b, and the points (CurveCbrtB, 0) and
// (CurveCbrtB, CurveCbrtB).
inline constexpr std::int32_t CurveCbrtB = 2616;
// Number of points with both coordinates in GF(2^15), the cofactor of n.
inline constexpr std::int32_t CurveCofactor = 32460;

}  // namespace eccrypt
