// The fast field against the bitwise reference, on every multiplication path this CPU has.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ECCrypt/fast/fe.h"
#include "support/feReference.h"
#include "support/fieldPaths.h"

namespace eccrypt::testsupport {
namespace {

using fast::FeUseImplementation;

// Each test runs with one path selected and restores the one in use before.
class FePath : public FieldPathTest {
 protected:
  // Edge elements, then random ones.
  static std::vector<Fe> Samples(unsigned seed, int randomCount) {
    std::vector<Fe> v = EdgeElements();
    std::mt19937_64 rng(seed);
    for (int i = 0; i < randomCount; ++i) v.push_back(RandomFe(rng));
    return v;
  }
};

TEST_P(FePath, MulAndSqrMatchTheReference) {
  const std::vector<Fe> xs = Samples(1, 40);
  for (const Fe& a : xs) {
    Fe s;
    fast::FeSqr(s, a);
    EXPECT_TRUE(Same(s, RefSqr(a)));
    for (const Fe& b : xs) {
      Fe r;
      fast::FeMul(r, a, b);
      ASSERT_TRUE(Same(r, RefMul(a, b)));
    }
  }
}

TEST_P(FePath, OutputsMayAliasInputs) {
  std::mt19937_64 rng(2);
  const Fe a = RandomFe(rng);
  const Fe b = RandomFe(rng);
  Fe x = a;
  fast::FeMul(x, x, b);
  EXPECT_TRUE(Same(x, RefMul(a, b)));
  x = b;
  fast::FeMul(x, a, x);
  EXPECT_TRUE(Same(x, RefMul(a, b)));
  x = a;
  fast::FeMul(x, x, x);
  EXPECT_TRUE(Same(x, RefMul(a, a)));
  x = a;
  fast::FeSqr(x, x);
  EXPECT_TRUE(Same(x, RefSqr(a)));
  x = a;
  fast::FeSqrN(x, x, 9);
  EXPECT_TRUE(Same(x, RefSqrN(a, 9)));
}

TEST_P(FePath, SqrNMatchesRepeatedSquaring) {
  for (const Fe& a : Samples(3, 4)) {
    for (int n : {0, 1, 2, 15, 31, 63, 127, 200, 254, 300}) {
      Fe r;
      fast::FeSqrN(r, a, n);
      EXPECT_TRUE(Same(r, RefSqrN(a, n))) << n;
    }
  }
}

TEST_P(FePath, FourAtOnceMatchOneAtATime) {
  std::mt19937_64 rng(4);
  for (int round = 0; round < 20; ++round) {
    Fe a[4], b[4], r[4];
    for (int i = 0; i < 4; ++i) {
      a[i] = RandomFe(rng);
      b[i] = RandomFe(rng);
    }
    if (round == 0) a[1] = EdgeElements()[2];
    fast::FeMul4(r, a, b);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(r[i], RefMul(a[i], b[i])));
    fast::FeSqr4(r, a);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(r[i], RefSqr(a[i])));
    // In place, element by element.
    Fe x[4] = {a[0], a[1], a[2], a[3]};
    fast::FeMul4(x, x, b);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(x[i], RefMul(a[i], b[i])));
    fast::FeSqr4(x, x);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Same(x[i], RefSqr(RefMul(a[i], b[i]))));
  }
}

TEST_P(FePath, InvertAndSqrt) {
  for (const Fe& a : Samples(5, 10)) {
    Fe inv, root;
    fast::FeInvert(inv, a);
    const bool zero = Same(RefCanonical(a), Fe{});
    EXPECT_TRUE(Same(RefMul(a, inv), zero ? Fe{} : Fe{{1, 0, 0, 0}}));
    EXPECT_EQ(inv.w[3] >> 63, 0U);
    fast::FeSqrt(root, a);
    EXPECT_TRUE(Same(RefSqr(root), RefCanonical(a)));
    EXPECT_EQ(root.w[3] >> 63, 0U);
  }
}

TEST(FeField, UnknownPathIsRefused) {
  EXPECT_FALSE(FeUseImplementation("no-such-path"));
}

// Rabin's test: f of degree 255 = 3 * 5 * 17 is irreducible over GF(2) exactly when
// t^(2^255) = t (mod f) and gcd(t^(2^(255/p)) - t, f) = 1 for p = 3, 5, 17.
using Poly = std::array<std::uint64_t, 4>;  // up to degree 255

int Degree(const Poly& p) {
  for (int i = 255; i >= 0; --i) {
    if (GetBit(p.data(), i)) return i;
  }
  return -1;
}

// a += b * t^s, for a result within 256 bits.
void AddShifted(Poly& a, const Poly& b, int s) {
  for (int i = 0; i + s < 256; ++i) {
    if (GetBit(b.data(), i)) FlipBit(a.data(), i + s);
  }
}

Poly Gcd(Poly a, Poly b) {
  while (Degree(b) >= 0) {
    while (Degree(a) >= Degree(b)) AddShifted(a, b, Degree(a) - Degree(b));
    std::swap(a, b);
  }
  return a;
}

TEST(FeField, TrinomialIsIrreducible) {
  const Fe t = FeMonomial(1);
  EXPECT_TRUE(Same(RefSqrN(t, 255), t));
  Poly f{};
  FlipBit(f.data(), 255);
  FlipBit(f.data(), 52);
  FlipBit(f.data(), 0);
  for (int p : {3, 5, 17}) {
    const Fe g = RefAdd(RefSqrN(t, 255 / p), t);
    const Poly d = Gcd(f, Poly{g.w[0], g.w[1], g.w[2], g.w[3]});
    EXPECT_EQ(Degree(d), 0) << p;
  }
}

// The trace is linear; its value on each basis element comes from the definition here.
TEST(FeField, TraceMatchesTheDefinition) {
  for (int i = 0; i < 256; ++i) {
    const Fe tr = RefTrace(FeMonomial(i));
    ASSERT_EQ(tr.w[1] | tr.w[2] | tr.w[3] | (tr.w[0] >> 1), 0U) << i;  // 0 or 1
    EXPECT_EQ(fast::FeTrace(FeMonomial(i)), tr.w[0]) << i;
  }
  std::mt19937_64 rng(6);
  for (int i = 0; i < 5; ++i) {
    const Fe a = RandomFe(rng);
    EXPECT_EQ(fast::FeTrace(a), RefTrace(a).w[0]);
  }
}

TEST_P(FePath, HalfTraceSolvesTheQuadratic) {
  std::vector<Fe> xs = EdgeElements();
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20; ++i) xs.push_back(RandomFe(rng));
  for (const Fe& a : xs) {
    Fe z;
    fast::FeHalfTrace(z, a);
    // z^2 + z = a + Tr(a), whatever the trace.
    const Fe trace{{fast::FeTrace(a), 0, 0, 0}};
    EXPECT_TRUE(Same(RefAdd(RefSqr(z), z), RefAdd(RefCanonical(a), trace)));
    // And z is the sum from the definition.
    Fe sum{};
    Fe v = RefCanonical(a);
    for (int j = 0; j < 128; ++j) {
      sum = RefAdd(sum, v);
      v = RefSqrN(v, 2);
    }
    EXPECT_TRUE(Same(z, sum));
  }
}

TEST(FeField, MasksSelectAndSwap) {
  const std::vector<Fe> xs = EdgeElements();
  for (const Fe& a : xs) {
    const bool zero = Same(RefCanonical(a), Fe{});
    EXPECT_EQ(fast::FeIsZeroMask(a), zero ? ~0ULL : 0ULL);
    for (const Fe& b : xs) {
      const bool equal = Same(RefCanonical(a), RefCanonical(b));
      EXPECT_EQ(fast::FeEqualMask(a, b), equal ? ~0ULL : 0ULL);
    }
  }
  const Fe a = xs[2];
  const Fe b = xs[4];
  Fe r;
  fast::FeSelect(r, ~0ULL, a, b);
  EXPECT_TRUE(Same(r, a));
  fast::FeSelect(r, 0, a, b);
  EXPECT_TRUE(Same(r, b));
  Fe x = a, y = b;
  fast::FeCondSwap(x, y, 0);
  EXPECT_TRUE(Same(x, a) && Same(y, b));
  fast::FeCondSwap(x, y, ~0ULL);
  EXPECT_TRUE(Same(x, b) && Same(y, a));
}

INSTANTIATE_TEST_SUITE_P(Paths, FePath, FieldPathValues(), FieldPathName);

}  // namespace
}  // namespace eccrypt::testsupport
