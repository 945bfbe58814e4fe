// The GF(2^15) tables and the unit arithmetic built on them.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

#include "ECCrypt/field/gfTableRule.h"
#include "ECCrypt/field/gfTables.h"
#include "support/gfReference.h"

namespace eccrypt {
namespace {

struct Entry {
  std::int32_t index;
  std::int32_t value;
};

TEST(GfTables, KnownEntries) {
  InitTables();
  for (const Entry& e : {Entry{0, 1}, Entry{1, 2}, Entry{14, 16384}, Entry{15, 3}, Entry{16, 6},
                         Entry{32766, 16385}, Entry{32767, 1}, Entry{32768, 0}}) {
    EXPECT_EQ(GetExpt(e.index), e.value) << "Expt[" << e.index << "]";
  }
  for (const Entry& e : {Entry{0, 32767}, Entry{1, 0}, Entry{2, 1}, Entry{3, 15},
                         Entry{16385, 32766}, Entry{32767, 32753}, Entry{32768, 0}}) {
    EXPECT_EQ(GetLogt(e.index), e.value) << "Logt[" << e.index << "]";
  }
}

TEST(GfTables, ExptIsAPermutationOfTheNonzeroUnitsAndLogtItsInverse) {
  std::vector<int> seen(32768, 0);
  for (std::int32_t i = 0; i <= 32766; ++i) {
    const std::int32_t v = GetExpt(i);
    ASSERT_GE(v, 1);
    ASSERT_LE(v, 32767);
    ++seen[static_cast<std::size_t>(v)];
    // Each power is the previous one times y, checked against the carry-less reference.
    if (i > 0) {
      ASSERT_EQ(static_cast<std::uint32_t>(v),
                testsupport::RefUnitMul(static_cast<std::uint32_t>(GetExpt(i - 1)), 2U));
    }
  }
  for (std::int32_t v = 1; v <= 32767; ++v) {
    ASSERT_EQ(seen[static_cast<std::size_t>(v)], 1) << v;
    ASSERT_EQ(GetExpt(GetLogt(v)), v);
  }
}

TEST(GfTables, IndicesOutsideTheTablesReadAsZero) {
  for (std::int32_t i : {-1, 32769, INT_MIN, INT_MAX}) {
    EXPECT_EQ(GetExpt(i), 0) << i;
    EXPECT_EQ(GetLogt(i), 0) << i;
  }
}

// InitTables may run from any thread at any time without disturbing readers.
TEST(GfTables, InitTablesIsIdempotentAndSafeFromManyThreads) {
  std::vector<std::thread> threads;
  std::vector<std::int64_t> sums(4, 0);
  for (std::size_t t = 0; t < sums.size(); ++t) {
    threads.emplace_back([&sums, t] {
      for (int round = 0; round < 3; ++round) {
        InitTables();
        std::int64_t s = 0;
        for (std::int32_t i = 0; i <= 32768; ++i) s += GetExpt(i) * 3 + GetLogt(i);
        sums[t] = s;
      }
    });
  }
  for (std::thread& th : threads) th.join();
  // Sum of all units 1..32767 (Expt[32767] = 1 counted again) and of all logs 0..32766 plus
  // the sentinel.
  const std::int64_t units = 32767LL * 32768 / 2 + 1;
  const std::int64_t logs = 32766LL * 32767 / 2 + 32767;
  for (std::int64_t s : sums) EXPECT_EQ(s, units * 3 + logs);
}

TEST(GfTableRule, KnownProductsAndQuotients) {
  EXPECT_EQ(gf::UnitProduct(2, 16384), 3);  // exponent 1 + 14 = 15
  EXPECT_EQ(gf::UnitProduct(16385, 2), 1);  // exponent sum exactly 32767
  EXPECT_EQ(gf::UnitScaled(16385, gf::LogOf(2)), 1);
  EXPECT_EQ(gf::UnitDivided(1, gf::LogOf(2)), 16385);
  EXPECT_EQ(gf::LeadingQuotient(1, 2), 16385);
  EXPECT_EQ(gf::UnitProduct(0, 5), 0);
  EXPECT_EQ(gf::UnitProduct(5, 0), 0);
  EXPECT_EQ(gf::UnitScaled(0, gf::LogOf(5)), 0);
  EXPECT_EQ(gf::UnitDivided(0, gf::LogOf(5)), 0);
  EXPECT_EQ(gf::UnitSquare(0), 0);
}

// u * (1/u) = 1 whichever boundary reduces the exponent, for every nonzero unit.
TEST(GfTableRule, EveryBoundaryTreatmentGivesInverses) {
  for (std::int32_t u = 1; u <= 32767; ++u) {
    const std::int32_t inv = gf::UnitDivided(1, gf::LogOf(u));
    ASSERT_EQ(gf::LeadingQuotient(1, u), inv) << u;
    ASSERT_EQ(gf::UnitProduct(u, inv), 1) << u;
    ASSERT_EQ(gf::UnitScaled(u, gf::LogOf(inv)), 1) << u;
    ASSERT_EQ(gf::UnitDivided(u, gf::LogOf(u)), 1) << u;
    ASSERT_EQ(gf::LeadingQuotient(u, u), 1) << u;
  }
}

TEST(GfTableRule, AgreesWithCarrylessReference) {
  std::mt19937 rng(15);
  std::uniform_int_distribution<std::int32_t> unit(0, 32767);
  for (int n = 0; n < 20000; ++n) {
    const std::int32_t u = unit(rng);
    const std::int32_t v = unit(rng);
    const auto ref = static_cast<std::int32_t>(
        testsupport::RefUnitMul(static_cast<std::uint32_t>(u), static_cast<std::uint32_t>(v)));
    ASSERT_EQ(gf::UnitProduct(u, v), ref) << u << " * " << v;
    if (v != 0) {
      ASSERT_EQ(gf::UnitScaled(u, gf::LogOf(v)), ref) << u << " * " << v;
      ASSERT_EQ(gf::UnitDivided(ref, gf::LogOf(v)), u) << ref << " / " << v;
    }
    ASSERT_EQ(gf::UnitSquare(u),
              static_cast<std::int32_t>(testsupport::RefUnitMul(static_cast<std::uint32_t>(u),
                                                                static_cast<std::uint32_t>(u))));
  }
}

}  // namespace
}  // namespace eccrypt
