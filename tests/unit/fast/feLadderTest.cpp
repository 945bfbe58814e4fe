// The ladder kernel on every path against the same steps written with single products.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "ECCrypt/fast/feLadder.h"
#include "support/feReference.h"
#include "support/fieldPaths.h"

namespace eccrypt::testsupport {
namespace {

using fast::FeLadderPair;

// The steps as FeLadderWalk documents them, one operation at a time.
FeLadderPair WalkByHand(FeLadderPair s, const Fe& px, const Fe& c, const std::uint64_t* k,
                        int bits) {
  std::uint64_t previous = 0;
  for (int i = bits - 1; i >= 0; --i) {
    const std::uint64_t bit = (k[i / 64] >> (i % 64)) & 1;
    if (bit != previous) {
      std::swap(s.x1, s.x2);
      std::swap(s.z1, s.z2);
    }
    previous = bit;
    Fe t1, t2, sum, x1z1, cz1, x1c;
    fast::FeMul(t1, s.x1, s.z2);
    fast::FeMul(t2, s.x2, s.z1);
    fast::FeMul(x1z1, s.x1, s.z1);
    fast::FeMul(cz1, c, s.z1);
    fast::FeAdd(sum, t1, t2);
    fast::FeSqr(s.z2, sum);
    fast::FeSqr(s.z1, x1z1);
    fast::FeAdd(x1c, s.x1, cz1);
    fast::FeSqrN(s.x1, x1c, 2);
    Fe pz, tt;
    fast::FeMul(pz, px, s.z2);
    fast::FeMul(tt, t1, t2);
    fast::FeAdd(s.x2, pz, tt);
  }
  if (previous != 0) {
    std::swap(s.x1, s.x2);
    std::swap(s.z1, s.z2);
  }
  return s;
}

class FeLadderPath : public FieldPathTest {};

TEST_P(FeLadderPath, MatchesTheStepsOneByOne) {
  std::mt19937_64 rng(11);
  const std::uint64_t ones = ~std::uint64_t{0};
  const std::uint64_t scalars[][4] = {
      {rng(), rng(), rng(), rng() >> 15}, {0, 0, 0, 0}, {ones, ones, ones, ones}, {1, 0, 0, 0}};
  for (const auto& k : scalars) {
    for (int bits : {241, 5, 1}) {
      const Fe px = RandomFe(rng);
      const Fe c = RandomFe(rng);
      const FeLadderPair start{RandomFe(rng), RandomFe(rng), RandomFe(rng), RandomFe(rng)};
      FeLadderPair s = start;
      fast::FeLadderWalk(s, px, c, k, bits);
      // The oracle on the portable path's single products.
      FeLadderPair want{};
      {
        const FieldPathScope portable("portable");
        ASSERT_TRUE(portable.Selected());
        want = WalkByHand(start, px, c, k, bits);
      }
      EXPECT_TRUE(Same(s.x1, want.x1) && Same(s.z1, want.z1) && Same(s.x2, want.x2) &&
                  Same(s.z2, want.z2))
          << bits;
    }
  }
}

// Two ladders in one loop give what each gives alone, with their own scalars, points and swaps.
TEST_P(FeLadderPath, TwoInOneLoopMatchOneByOne) {
  std::mt19937_64 rng(12);
  const std::uint64_t ones = ~std::uint64_t{0};
  const std::uint64_t k1[2] = {rng(), rng() >> 7}, k2[2] = {ones, ones};
  const std::uint64_t zero[2] = {0, 0};
  for (const auto& [a, b] : {std::pair{k1, k2}, std::pair{k2, zero}, std::pair{zero, k1}}) {
    const Fe px1 = RandomFe(rng), px2 = RandomFe(rng), c = RandomFe(rng);
    const FeLadderPair start1{RandomFe(rng), RandomFe(rng), RandomFe(rng), RandomFe(rng)};
    const FeLadderPair start2{RandomFe(rng), RandomFe(rng), RandomFe(rng), RandomFe(rng)};
    FeLadderPair s1 = start1, s2 = start2, want1 = start1, want2 = start2;
    fast::FeLadderWalkTwo(s1, px1, s2, px2, c, a, b, 121);
    fast::FeLadderWalk(want1, px1, c, a, 121);
    fast::FeLadderWalk(want2, px2, c, b, 121);
    EXPECT_TRUE(Same(s1.x1, want1.x1) && Same(s1.z1, want1.z1) && Same(s1.x2, want1.x2) &&
                Same(s1.z2, want1.z2));
    EXPECT_TRUE(Same(s2.x1, want2.x1) && Same(s2.z1, want2.z1) && Same(s2.x2, want2.x2) &&
                Same(s2.z2, want2.z2));
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, FeLadderPath, FieldPathValues(), FieldPathName);

}  // namespace
}  // namespace eccrypt::testsupport
