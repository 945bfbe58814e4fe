// TgfPoint::Invert: the inverse of an element by the extended Euclidean algorithm on
// polynomials over GF(2^15), using no multiplication of elements.
#include "ECCrypt/field/gfPoint.h"
#include "ECCrypt/field/gfTableRule.h"

namespace eccrypt {

// Keeps g1 * a = u and g2 * a = v modulo x^17 + x^3 + 1, with g1 being self, starting from
// u = a, g1 = 1, v = the modulus, g2 = 0. Each step cancels the top unit of the longer of u and
// v (u on a tie), which AddScaledShift then trims, so the lengths (at most 35 together) fall by
// at least one per step: at most 33 steps. Because the modulus is irreducible and a is a nonzero
// reduced element, neither becomes zero before one of them is down to a single unit; only the
// polynomial changed last is tested for that. The result is reduced. self must not be a, since
// self is set to 1 before a is read. The working elements are wiped when released.
std::int32_t TgfPoint::Invert(const TgfPoint& a) {
  if (a.Units[0] == 0) return 1;  // zero has no inverse; self keeps whatever it held

  // self := 1. Units above unit 1 are not cleared: AddScaledShift writes 0 into every unit it
  // brings under the length.
  Units[0] = 1;
  Units[1] = 1;
  TgfPoint g2;
  TgfPoint u;
  TgfPoint v;
  u.CopyFrom(a);
  v.Units[0] = FieldUnits + 1;  // x^17 + x^3 + 1: the units of x^0, x^3 and x^17
  v.Units[1] = 1;
  v.Units[FieldMiddleExponent + 1] = 1;
  v.Units[FieldUnits + 1] = 1;

  bool lastIsU = true;
  for (;;) {
    if (lastIsU && u.Units[0] == 1) {
      DivideByUnit(u.Units[1]);
      break;
    }
    if (!lastIsU && v.Units[0] == 1) {
      g2.DivideByUnit(v.Units[1]);
      CopyFrom(g2);
      break;
    }
    const std::int32_t lu = u.Units[0];
    const std::int32_t lv = v.Units[0];
    if (lv > lu) {
      const std::int32_t c = gf::LeadingQuotient(v.Units[static_cast<std::size_t>(lv)],
                                                 u.Units[static_cast<std::size_t>(lu)]);
      v.AddScaledShift(c, lv - lu, u);
      g2.AddScaledShift(c, lv - lu, *this);
      lastIsU = false;
    } else {
      const std::int32_t c = gf::LeadingQuotient(u.Units[static_cast<std::size_t>(lu)],
                                                 v.Units[static_cast<std::size_t>(lv)]);
      u.AddScaledShift(c, lu - lv, v);
      AddScaledShift(c, lu - lv, g2);
      lastIsU = true;
    }
  }
  return 0;
}

}  // namespace eccrypt
