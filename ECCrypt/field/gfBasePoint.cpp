// TgfPoint::LoadBaseCoordinate: the coordinates of the curve's base point (curveParameters.h).
#include "ECCrypt/field/gfPoint.h"
#include "ECCrypt/params/curveParameters.h"

namespace eccrypt {

// Length 17 and units 1..17; the units above 17 are not touched.
void TgfPoint::LoadBaseCoordinate(bool which) {
  const auto& c = which ? BaseXUnits : BaseYUnits;
  Units[0] = ReducedUnits;
  for (std::size_t i = 0; i < c.size(); ++i) Units[i + 1] = c[i];
}

}  // namespace eccrypt
