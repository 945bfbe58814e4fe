// The fixed-base kernel on every path that has one against the point layer's mixed additions,
// and the fixed-base multiplication's projective result, which must not depend on the path.
#include "ECCrypt/fast/feBaseWalk.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "ECCrypt/fast/fixedBase.h"
#include "ECCrypt/fast/point.h"
#include "support/fastSupport.h"
#include "support/feReference.h"
#include "support/fieldPaths.h"

namespace eccrypt::testsupport {
namespace {

using fast::FeBaseAccumulator;
using fast::kBaseDigits;
using fast::kBaseTable;
using fast::kBaseWindows;

using FeBaseWalkPath = FieldPathTest;    // every path this CPU has
using FeBaseWalkKernel = FieldPathTest;  // the paths that have the fixed-base kernel

Fe CanonicalRandomFe(std::mt19937_64& rng) {
  Fe a = RandomFe(rng);
  a.w[3] &= ~(std::uint64_t{1} << 63);
  return a;
}

// The windows as FeBaseWalk documents them, by LdAddAffine on the portable path.
FeBaseAccumulator WalkByHand(const FeBaseAccumulator& start, const std::uint64_t* magnitude,
                             const std::uint64_t* negative, int windows) {
  fast::LdPoint acc{start.X, start.Y, start.Z};
  for (int w = 0; w < windows; ++w) {
    fast::AffinePoint e = fast::AffineZero;
    if (magnitude[w] != 0) {
      const fast::BaseTableEntry& t = kBaseTable[w][magnitude[w] - 1];
      e = fast::AffinePoint{t.x, t.y, 0};
      if (negative[w] != 0) fast::AffineNegate(e, e);
    }
    fast::LdAddAffine(acc, acc, e);
  }
  return {acc.X, acc.Y, acc.Z};
}

TEST_P(FeBaseWalkKernel, MatchesTheMixedAdditions) {
  std::mt19937_64 rng(23);
  constexpr int kWindows = kBaseWindows - 1;
  for (int trial = 0; trial < 8; ++trial) {
    // Every magnitude, zeros in runs (the zero point on either side), either sign.
    std::uint64_t magnitude[kWindows], negative[kWindows];
    for (int w = 0; w < kWindows; ++w) {
      magnitude[w] = trial % 2 == 0 && w < 6 ? 0 : rng() % (kBaseDigits + 1);
      negative[w] = rng() % 2 == 0 ? ~std::uint64_t{0} : 0;
    }
    // From the zero point, and from a random accumulator.
    const FeBaseAccumulator start =
        trial < 4 ? FeBaseAccumulator{fast::FeOne, fast::FeZero, fast::FeZero}
                  : FeBaseAccumulator{CanonicalRandomFe(rng), CanonicalRandomFe(rng),
                                      CanonicalRandomFe(rng)};
    for (int windows : {kWindows, 3, 0}) {
      FeBaseAccumulator acc = start;
      ASSERT_TRUE(fast::FeBaseWalk(acc, kBaseTable, magnitude, negative, windows));
      FeBaseAccumulator want;
      {
        const FieldPathScope portable("portable");
        want = WalkByHand(start, magnitude, negative, windows);
      }
      EXPECT_TRUE(Same(acc.X, want.X) && Same(acc.Y, want.Y) && Same(acc.Z, want.Z))
          << "trial " << trial << ", " << windows << " windows";
    }
  }
}

// The projective coordinates themselves, not only the point, are those of the portable path:
// on edge scalars (among them 2^241 - n, where the top window doubles) and random ones.
TEST_P(FeBaseWalkPath, FixedBaseGivesThePortableCoordinates) {
  std::mt19937_64 rng(29);
  auto scalars = EdgeScalars(19);
  for (int i = 0; i < 8; ++i) scalars.push_back({"random", RandomDigits(rng, 16)});
  for (const auto& [name, k] : scalars) {
    SCOPED_TRACE(name);
    const fast::Scalar s = ReducedScalar(k);
    fast::LdPoint r;
    fast::BaseMultiplyProjective(r, s);
    fast::LdPoint want;
    {
      const FieldPathScope portable("portable");
      fast::BaseMultiplyProjective(want, s);
    }
    EXPECT_TRUE(Same(r.X, want.X) && Same(r.Y, want.Y) && Same(r.Z, want.Z));
  }
}

// Registered for the paths that have the kernel (FeBaseWalk answers false on the others).
std::vector<const char*> PathsWithBaseWalk() {
  std::vector<const char*> paths;
  for (const char* path : AvailableFieldPaths()) {
    const FieldPathScope selected(path);
    FeBaseAccumulator probe{};
    const std::uint64_t none[1] = {0};
    if (fast::FeBaseWalk(probe, kBaseTable, none, none, 1)) paths.push_back(path);
  }
  return paths;
}

INSTANTIATE_TEST_SUITE_P(Paths, FeBaseWalkKernel, ::testing::ValuesIn(PathsWithBaseWalk()),
                         FieldPathName);
// A processor without a kernel path has no instance.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FeBaseWalkKernel);
INSTANTIATE_TEST_SUITE_P(Paths, FeBaseWalkPath, FieldPathValues(), FieldPathName);

}  // namespace
}  // namespace eccrypt::testsupport
