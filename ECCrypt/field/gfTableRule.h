#pragma once
// Internal to the field code: direct access to the GF(2^15) log and antilog tables and the unit
// arithmetic built on them (the table rule).
//
// Units are elements of GF(2^15) held as 0..32767. A nonzero unit u is y^Logt[u]; Logt[0] is the
// sentinel 32767, which is also a valid exponent (Expt[32767] = Expt[0] = 1), so every rule below
// tests for a zero unit before its log enters a sum. Each operation of TgfPoint reduces its
// exponent modulo 32767 with one subtraction at a fixed boundary (">= 32767" or "> 32767"); the
// two boundaries give the same unit and differ only in whether Expt[32767] is read.
//
// The tables are constant data built at compile time, so reading them needs no set-up and no
// synchronisation.
#include <array>
#include <cstdint>

#include "ECCrypt/params/curveParameters.h"

namespace eccrypt::gf {

// NonzeroUnitCount (32767, curveParameters.h) is the number of nonzero units and the log sentinel.
inline constexpr std::size_t TableSize = 32769;  // indices 0..32768
using Table = std::array<std::int32_t, TableSize>;

struct UnitTables {
  Table Expt;  // Expt[i] = y^i for 0..32767; Expt[32768] = 0
  Table Logt;  // Logt[v] = log_y v for 1..32767; Logt[0] = 32767; Logt[32768] = 0
};
extern const UnitTables Tables;

inline std::int32_t LogOf(std::int32_t u) {
  return Tables.Logt[static_cast<std::size_t>(u)];
}
inline std::int32_t ExpOf(std::int32_t e) {
  return Tables.Expt[static_cast<std::size_t>(e)];
}

// Antilog of a sum of two logs; the sum is reduced when it reaches 32767 (indices 0..32766).
// Used by the unit products of Multiply, the squares of Square and the leading-unit quotients
// of Invert (whose exponent is log u - log v + 32767).
inline std::int32_t ExpReducedAtUnitCount(std::int32_t e) {
  return ExpOf(e >= NonzeroUnitCount ? e - NonzeroUnitCount : e);
}

// Antilog of a sum of two logs; reduced only above 32767 (indices up to 32767). Used by the
// scaling of AddScaledShift and the division of DivideByUnit.
inline std::int32_t ExpReducedAboveUnitCount(std::int32_t e) {
  return ExpOf(e > NonzeroUnitCount ? e - NonzeroUnitCount : e);
}

// u * v for units u, v (either may be 0), as Multiply forms it.
inline std::int32_t UnitProduct(std::int32_t u, std::int32_t v) {
  if (u == 0 || v == 0) return 0;
  return ExpReducedAtUnitCount(LogOf(u) + LogOf(v));
}

// u^2, as Square forms it.
inline std::int32_t UnitSquare(std::int32_t u) {
  if (u == 0) return 0;
  return ExpReducedAtUnitCount(2 * LogOf(u));
}

// u * c for a nonzero scalar c given by its log, as AddScaledShift forms it.
inline std::int32_t UnitScaled(std::int32_t u, std::int32_t logC) {
  if (u == 0) return 0;
  return ExpReducedAboveUnitCount(LogOf(u) + logC);
}

// u / c for a nonzero divisor c given by its log, as DivideByUnit forms it.
inline std::int32_t UnitDivided(std::int32_t u, std::int32_t logC) {
  if (u == 0) return 0;
  return ExpReducedAboveUnitCount(LogOf(u) - logC + NonzeroUnitCount);
}

// u / v for nonzero leading units, as Invert forms it; no zero test.
inline std::int32_t LeadingQuotient(std::int32_t u, std::int32_t v) {
  return ExpReducedAtUnitCount(LogOf(u) - LogOf(v) + NonzeroUnitCount);
}

}  // namespace eccrypt::gf
