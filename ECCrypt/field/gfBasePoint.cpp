// TgfPoint::LoadBaseCoordinate: the coordinates of the curve's base point.
#include <array>

#include "ECCrypt/field/gfPoint.h"

namespace eccrypt {
namespace {

using Coordinate = std::array<std::int32_t, TgfPoint::ReducedUnits>;

// Units 1..17 of each coordinate, lowest first. In integer form x is
// 56FDCBC6A27ACEE0CC2996E0096AE74FEB1ACF220A2341B898B549440297B8CC and y is
// 20DA32E8AFC90B7CF0E76BDE44496B4D0794054E6EA60F388682463132F931A7.
constexpr Coordinate kBaseX = {0x38CC, 0x052F, 0x2510, 0x45AA, 0x1B89, 0x4468,
                               0x4882, 0x0D67, 0x4FEB, 0x55CE, 0x0025, 0x4CB7,
                               0x0CC2, 0x59DC, 0x289E, 0x65E3, 0x56FD};
constexpr Coordinate kBaseY = {0x31A7, 0x65F2, 0x18C4, 0x3412, 0x7388, 0x54C1,
                               0x539B, 0x4A02, 0x4D07, 0x12D6, 0x7911, 0x3B5E,
                               0x4F0E, 0x216F, 0x2BF2, 0x1974, 0x20DA};

}  // namespace

// Length 17 and units 1..17; the units above 17 are not touched.
void TgfPoint::LoadBaseCoordinate(bool which) {
  const Coordinate& c = which ? kBaseX : kBaseY;
  Units[0] = ReducedUnits;
  for (std::size_t i = 0; i < c.size(); ++i) Units[i + 1] = c[i];
}

}  // namespace eccrypt
