// The GF(2^15) log and antilog tables, built by the compiler.
//
// The tables never change, so they are computed once at compile time by the classic two-pass
// build and placed in read-only data. Every thread sees the finished tables from program load
// on; InitTables has nothing left to do.
#include "ECCrypt/field/gfTables.h"

#include "ECCrypt/field/gfTableRule.h"

namespace eccrypt {
namespace gf {
namespace {

// `one` is always 1: a parameter so that a build can hand it over at run time (see below).
constexpr UnitTables BuildTables(std::int32_t one) {
  UnitTables t{};
  // Powers of y: multiply by y, replacing y^15 by y + 1 (xor UnitPolynomial clears bit 15 and
  // flips bits 1 and 0). Ends with Expt[32767] = 1; Expt[32768] is never written and stays 0.
  t.Expt[0] = one;
  for (std::size_t i = 0; i < static_cast<std::size_t>(NonzeroUnitCount); ++i) {
    std::int32_t v = t.Expt[i] << 1;
    if ((v & (1 << UnitBits)) != 0) v ^= UnitPolynomial;
    t.Expt[i + 1] = v;
  }
  // Logs of every nonzero unit, from exponents 0..32766 (so Logt[1] = 0); Logt[32768] stays 0.
  for (std::int32_t i = 0; i < NonzeroUnitCount; ++i) {
    t.Logt[static_cast<std::size_t>(t.Expt[static_cast<std::size_t>(i)])] = i;
  }
  t.Logt[0] = NonzeroUnitCount;  // the sentinel standing for the log of zero
  return t;
}

}  // namespace

#if defined(__EMSCRIPTEN__)
// WebAssembly is downloaded before it runs: there the tables (256 KiB of data that compresses
// poorly) are computed when the module starts, in well under a millisecond, instead of shipped.
// The 1 read through volatile keeps the compiler from folding them back into data.
namespace {
UnitTables BuildTablesAtStart() {
  volatile std::int32_t one = 1;
  return BuildTables(one);
}
}  // namespace
const UnitTables Tables = BuildTablesAtStart();
#else
constexpr UnitTables Tables = BuildTables(1);
#endif

}  // namespace gf

void InitTables() {}

std::int32_t GetExpt(std::int32_t index) {
  if (index < 0 || index > static_cast<std::int32_t>(gf::TableSize) - 1) return 0;
  return gf::Tables.Expt[static_cast<std::size_t>(index)];
}

std::int32_t GetLogt(std::int32_t index) {
  if (index < 0 || index > static_cast<std::int32_t>(gf::TableSize) - 1) return 0;
  return gf::Tables.Logt[static_cast<std::size_t>(index)];
}

}  // namespace eccrypt
