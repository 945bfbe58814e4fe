// The change of basis between TgfPoint's representation and Fe, the curve constants in Fe's
// basis and the Frobenius matrix, held against TgfPoint's own arithmetic and a bitwise product
// in Fe's basis that shares nothing with the engine.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/limbs.h"
#include "ECCrypt/field/gfPoint.h"
#include "support/fastSupport.h"
#include "support/feReference.h"
#include "support/fieldPaths.h"
#include "support/gfReference.h"

namespace eccrypt::fast {
namespace {

using testsupport::RefMul;
using testsupport::Same;
using testsupport::ToFast;
using testsupport::ToReference;

bool Same(const RefBits& a, const RefBits& b) {
  return a.w[0] == b.w[0] && a.w[1] == b.w[1] && a.w[2] == b.w[2] && a.w[3] == b.w[3];
}

Fe RandomFe(std::mt19937_64& rng) {
  Fe a{{rng(), rng(), rng(), rng() >> 1}};
  return a;
}

// Every multiplication path applies the maps with its own mask code; each must give the same
// results, and the two maps must undo each other.
TEST(FastBasis, ForwardAndInverseAreInverseOnEveryPath) {
  testsupport::OnEveryFieldPath([] {
    std::mt19937_64 rng(1);
    for (int i = 0; i < 200; ++i) {
      RefBits bits{{rng(), rng(), rng(), rng() >> 1}};
      Fe a;
      FromReferenceBasis(a, bits);
      RefBits back;
      ToReferenceBasis(back, a);
      EXPECT_TRUE(Same(back, bits));
      // Bit 255 of the reference bits is ignored.
      bits.w[3] |= std::uint64_t{1} << 63;
      Fe same;
      FromReferenceBasis(same, bits);
      EXPECT_TRUE(Same(same, a));

      const Fe b = RandomFe(rng);
      ToReferenceBasis(back, b);
      Fe again;
      FromReferenceBasis(again, back);
      EXPECT_TRUE(Same(again, b));
    }
  });
}

TEST(FastBasis, NonCanonicalInputIsTheSameElement) {
  // Bit 255 stands for t^255 = t^52 + 1.
  std::mt19937_64 rng(2);
  for (int i = 0; i < 20; ++i) {
    const Fe a = RandomFe(rng);
    Fe spelled = a;
    spelled.w[3] ^= std::uint64_t{1} << 63;
    spelled.w[0] ^= 1 | (std::uint64_t{1} << 52);
    RefBits x, y;
    ToReferenceBasis(x, a);
    ToReferenceBasis(y, spelled);
    EXPECT_TRUE(Same(x, y));
    EXPECT_EQ(ReferenceLowBit(a), ReferenceLowBit(spelled));
    Fe fa, fs;
    Frobenius15(fa, a);
    Frobenius15(fs, spelled);
    EXPECT_TRUE(Same(fa, fs));
  }
}

TEST(FastBasis, RespectsAdditionAndMultiplicationOfTheReference) {
  std::mt19937 rng(3);
  for (int i = 0; i < 100; ++i) {
    const TgfPoint a = testsupport::RandomElement(rng);
    const TgfPoint b = testsupport::RandomElement(rng);
    TgfPoint sum, product;
    sum.Add(a, b);
    product.Multiply(a, b);
    const Fe fa = ToFast(a), fb = ToFast(b);
    Fe fsum;
    FeAdd(fsum, fa, fb);
    EXPECT_TRUE(Same(fsum, ToFast(sum)));
    EXPECT_TRUE(Same(RefMul(fa, fb), ToFast(product)));
    Fe fproduct;
    FeMul(fproduct, fa, fb);
    EXPECT_TRUE(Same(fproduct, ToFast(product)));
    EXPECT_TRUE(ToReference(RefMul(fa, fb)).Equal(product));
  }
}

TEST(FastBasis, SmallElementsAndRoots) {
  TgfPoint one, zero;
  one.AssignSmall(1);
  zero.Zero();
  EXPECT_TRUE(Same(ToFast(one), FeOne));
  EXPECT_TRUE(Same(ToFast(zero), FeZero));
  // y and x of the reference go to the roots the tables were built from.
  EXPECT_TRUE(Same(ToFast(testsupport::Element({2})), kEta));
  EXPECT_TRUE(Same(ToFast(testsupport::Element({0, 1})), kXi));
  // eta^15 + eta + 1 = 0 and xi^17 + xi^3 + 1 = 0.
  Fe p = FeOne;
  for (int i = 0; i < 15; ++i) p = RefMul(p, kEta);
  FeAdd(p, p, kEta);
  FeAdd(p, p, FeOne);
  EXPECT_TRUE(Same(p, FeZero));
  Fe xi3 = RefMul(RefMul(kXi, kXi), kXi);
  Fe q = xi3;
  for (int i = 3; i < 17; ++i) q = RefMul(q, kXi);
  FeAdd(q, q, xi3);
  FeAdd(q, q, FeOne);
  EXPECT_TRUE(Same(q, FeZero));
}

TEST(FastBasis, ReferenceLowBitIsTheIntegerFormsLowBit) {
  std::mt19937 rng(4);
  for (int i = 0; i < 100; ++i) {
    const TgfPoint a = testsupport::RandomElement(rng);
    EXPECT_EQ(ReferenceLowBit(ToFast(a)), static_cast<std::uint64_t>(a.LowBit()));
  }
  std::mt19937_64 rng64(5);
  for (int i = 0; i < 100; ++i) {
    const Fe a = RandomFe(rng64);
    RefBits bits;
    ToReferenceBasis(bits, a);
    EXPECT_EQ(ReferenceLowBit(a), bits.w[0] & 1);
  }
}

TEST(FastBasis, CurveConstantsAreTheReferencesInFesBasis) {
  TgfPoint x, y, b;
  x.LoadBaseCoordinate(true);
  y.LoadBaseCoordinate(false);
  b.AssignSmall(161);
  EXPECT_TRUE(Same(ToFast(x), kBaseX));
  EXPECT_TRUE(Same(ToFast(y), kBaseY));
  EXPECT_TRUE(Same(ToFast(b), kCurveB));
  EXPECT_TRUE(Same(RefMul(kCurveSqrtB, kCurveSqrtB), kCurveB));

  // y^2 + xy = x^3 + b.
  Fe left, right;
  FeAdd(left, RefMul(kBaseY, kBaseY), RefMul(kBaseX, kBaseY));
  FeAdd(right, RefMul(RefMul(kBaseX, kBaseX), kBaseX), kCurveB);
  EXPECT_TRUE(Same(left, right));
}

TEST(FastBasis, Frobenius15IsFifteenSquarings) {
  std::mt19937_64 rng(6);
  for (int i = 0; i < 20; ++i) {
    const Fe a = RandomFe(rng);
    Fe expected = a;
    for (int k = 0; k < 15; ++k) expected = RefMul(expected, expected);
    Fe r;
    Frobenius15(r, a);
    EXPECT_TRUE(Same(r, expected));
    // Applied 17 times it is the identity (a^(2^255) = a); r may alias a.
    for (int k = 1; k < 17; ++k) Frobenius15(r, r);
    EXPECT_TRUE(Same(r, a));
  }
  // It fixes GF(2^15), where b lies.
  Fe fb;
  Frobenius15(fb, kCurveB);
  EXPECT_TRUE(Same(fb, kCurveB));
}

TEST(FastLimbs, ReadIgnoresWordsAboveTheLengthAndWriteIsNormal) {
  TvlPoint v;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) v.Words[i] = 0x1234;
  v.Words[0] = 5;
  v.Words[5] = 0;  // not normal: a zero top digit
  std::uint64_t limbs[5];
  LimbsFromVl(limbs, v);
  EXPECT_EQ(limbs[0], 0x1234123412341234U);
  EXPECT_EQ(limbs[1], 0U);
  EXPECT_EQ(limbs[4], 0U);

  TvlPoint out;
  for (auto& w : out.Words) w = 0x7777;
  LimbsToVl(out, limbs);
  EXPECT_EQ(out.Words[0], 4);
  for (std::size_t i = 1; i <= 4; ++i) EXPECT_EQ(out.Words[i], 0x1234);
  for (std::size_t i = 5; i <= TvlPoint::Capacity; ++i) EXPECT_EQ(out.Words[i], 0);

  const std::uint64_t zero[4] = {0, 0, 0, 0};
  LimbsToVl(out, zero);
  EXPECT_EQ(out.Words[0], 0);

  // 19 digits: the top one sits in bits 32..47 of limb 4.
  const std::uint64_t full[5] = {~0ULL, ~0ULL, ~0ULL, ~0ULL, 0xABCD12345678};
  LimbsToVl(out, full);
  EXPECT_EQ(out.Words[0], 19);
  EXPECT_EQ(out.Words[19], 0xABCD);
  std::uint64_t back[5];
  LimbsFromVl(back, out);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(back[i], full[i]);
}

}  // namespace
}  // namespace eccrypt::fast
