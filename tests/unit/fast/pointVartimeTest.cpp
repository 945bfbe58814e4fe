// The variable-time group law (affine and Lopez-Dahab) against the reference's affine law, on
// every exceptional pair: the zero point, equal and opposite points, the point of order 2,
// points of E(GF(2^15)) and ordinary multiples of G.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/feLdVartime.h"
#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/fast/verifyTables.h"
#include "ECCrypt/params/curveParameters.h"
#include "support/fastSupport.h"
#include "support/feReference.h"
#include "support/fieldPaths.h"

namespace eccrypt::fast {
namespace {

using testsupport::Negated;
using testsupport::SamePoint;
using testsupport::ToFast;

std::vector<TecPoint> Sample() {
  std::mt19937_64 rng(9);
  std::vector<TecPoint> points = {TecPoint{}, testsupport::BasePoint(),
                                  Negated(testsupport::BasePoint())};
  for (int i = 0; i < 3; ++i) {
    points.push_back(testsupport::BaseMultiple(testsupport::RandomBelowPowerOfTwo(rng, 240)));
  }
  const TecPoint twoG = testsupport::BaseMultiple(testsupport::Small(2));
  points.push_back(twoG);
  points.push_back(Negated(twoG));
  const TecPoint cubeRoot = testsupport::UnitPoint(CurveCbrtB, 0);  // x^3 = b, y = 0
  points.push_back(cubeRoot);
  points.push_back(Negated(cubeRoot));
  for (const TecPoint& t : testsupport::SmallFieldPoints(6)) points.push_back(t);
  TecPoint mixed = testsupport::BasePoint();
  mixed.Add(testsupport::SmallFieldPoints(3).back());
  points.push_back(mixed);
  return points;
}

LdPoint Scrambled(const AffinePoint& p, const Fe& z) {
  // The same point with Z = z: (x z, y z^2, z).
  if (AffineIsZeroVartime(p)) return LdPoint{z, z, FeZero};
  LdPoint r;
  Fe z2;
  FeSqr(z2, z);
  FeMul(r.X, p.x, z);
  FeMul(r.Y, p.y, z2);
  r.Z = z;
  return r;
}

AffinePoint ToAffine(const LdPoint& p) {
  AffinePoint r;
  LdToAffineBatchVartime(&r, &p, 1);
  return r;
}

bool SameCoordinates(const LdPoint& a, const LdPoint& b) {
  return testsupport::Same(a.X, b.X) && testsupport::Same(a.Y, b.Y) && testsupport::Same(a.Z, b.Z);
}

// run(path) on the portable path and on every other path the machine has (an empty result where
// it has not): each result as the portable path's, by same(got, want).
template <class Run, class Compare>
void ExpectThePortableResults(const Run& run, const Compare& same, const char* what) {
  const std::vector<LdPoint> want = run("portable");
  for (const char* path : {"lanes", "pclmulqdq", "vpclmulqdq"}) {
    const std::vector<LdPoint> got = run(path);
    if (got.empty()) continue;
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_TRUE(same(got[i], want[i])) << path << ", " << what << " " << i;
    }
  }
}

TEST(PointVartimeTest, EveryPairAddsAndDoublesAsTheReference) {
  const std::vector<TecPoint> points = Sample();
  // Two nonzero elements to scale the projective coordinates by.
  const Fe z = ToFast(testsupport::BaseMultiple(testsupport::Small(5)).x);
  const Fe z2 = ToFast(testsupport::BaseMultiple(testsupport::Small(6)).y);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const AffinePoint p = ToFast(points[i]);
    ASSERT_TRUE(AffineOnCurveVartime(p)) << i;
    TecPoint twice = points[i];
    twice.Double();
    AffinePoint doubled;
    AffineDoubleVartime(doubled, p);
    EXPECT_TRUE(SamePoint(doubled, twice)) << "affine 2P, P #" << i;
    LdPoint ld = Scrambled(p, z);
    LdDoubleVartime(ld, ld);
    EXPECT_TRUE(SamePoint(ToAffine(ld), twice)) << "projective 2P, P #" << i;

    for (std::size_t j = 0; j < points.size(); ++j) {
      TecPoint sum = points[i];
      sum.Add(points[j]);
      const AffinePoint q = ToFast(points[j]);
      AffinePoint added;
      AffineAddVartime(added, p, q);
      EXPECT_TRUE(SamePoint(added, sum)) << "affine P + Q, #" << i << " + #" << j;
      LdPoint acc = Scrambled(p, z);
      LdAddAffineVartime(acc, acc, q);
      EXPECT_TRUE(SamePoint(ToAffine(acc), sum)) << "mixed P + Q, #" << i << " + #" << j;
      LdPoint other = Scrambled(q, z2);
      LdAddVartime(other, Scrambled(p, z), other);
      EXPECT_TRUE(SamePoint(ToAffine(other), sum)) << "projective P + Q, #" << i << " + #" << j;
      EXPECT_EQ(LdEqualsAffineVartime(Scrambled(p, z2), q),
                testsupport::SamePoint(points[i], points[j]));
      EXPECT_EQ(AffineEqualVartime(p, q), testsupport::SamePoint(points[i], points[j]));
    }
  }
}

// The coordinates themselves, not only the points, are the portable path's on every path, the
// register kernels included, for every pair (the exceptional ones fall back to single products).
TEST(PointVartimeTest, DoublingAndMixedAdditionGiveThePortableCoordinatesOnEveryPath) {
  const std::vector<TecPoint> points = Sample();
  const Fe z = ToFast(testsupport::BaseMultiple(testsupport::Small(5)).x);
  const auto run = [&](const char* path) {
    std::vector<LdPoint> out;
    const testsupport::FieldPathScope selected(path);
    if (!selected.Selected()) return out;
    for (const TecPoint& pi : points) {
      const LdPoint p = Scrambled(ToFast(pi), z);
      out.emplace_back();
      LdDoubleVartime(out.back(), p);
      for (const TecPoint& qj : points) {
        out.emplace_back(p);
        LdAddAffineVartime(out.back(), out.back(), ToFast(qj));
      }
    }
    return out;
  };
  ExpectThePortableResults(run, SameCoordinates, "result");
}

// A walk as signature verification runs it: the field's kernel takes the ordinary steps and hands
// each exceptional one back to the general functions. Where it ends is the portable path's
// (which has no kernel), coordinates and all, on every path: for walks from every sample point
// that add every sample point, its negative and the start point again between doublings, so
// that the sum meets equal, opposite and zero points along the way.
TEST(PointVartimeTest, WalksGiveThePortableCoordinatesOnEveryPath) {
  std::vector<AffinePoint> points;
  for (const TecPoint& p : Sample()) points.push_back(ToFast(p));
  const Fe z = ToFast(testsupport::BaseMultiple(testsupport::Small(5)).x);
  const auto run = [&](const char* path) {
    std::vector<LdPoint> out;
    const testsupport::FieldPathScope selected(path);
    if (!selected.Selected()) return out;
    for (std::size_t i = 0; i < points.size(); ++i) {
      std::vector<LdWalkStep> steps;
      for (std::size_t j = 0; j < points.size(); ++j) {
        steps.push_back({nullptr, false});
        steps.push_back({&points[j], (i + j) % 2 == 1});
        if (j % 3 == 0) steps.push_back({&points[i], j % 2 == 0});
        if (j % 4 == 0) steps.insert(steps.end(), 2, LdWalkStep{nullptr, false});
      }
      LdPoint acc = Scrambled(points[i], z);
      for (std::size_t done = 0; done < steps.size();) {
        done += FeLdWalkVartime(acc, steps.data() + done, steps.size() - done);
        if (done == steps.size()) break;
        const LdWalkStep& step = steps[done++];
        if (step.point == nullptr) {
          if (!LdIsZeroVartime(acc)) LdDoubleVartime(acc, acc);
        } else {
          AffinePoint q = *step.point;
          if (step.negate) AffineNegateVartime(q, q);
          LdAddAffineVartime(acc, acc, q);
        }
      }
      out.push_back(acc);
    }
    return out;
  };
  // The zero point's other coordinates are not kept: a kernel may double it, the general walk
  // skips it.
  const auto samePoint = [](const LdPoint& got, const LdPoint& want) {
    return LdIsZeroVartime(want) ? LdIsZeroVartime(got) : SameCoordinates(got, want);
  };
  ExpectThePortableResults(run, samePoint, "walk from point");
}

// Points of small order make the odd multiples meet the exceptional cases: 2P or a multiple the
// zero point, a multiple equal to 2P.
TEST(PointVartimeTest, OddMultiplesOfEverySamplePoint) {
  const std::vector<TecPoint> points = Sample();
  for (std::size_t p = 0; p < points.size(); ++p) {
    AffinePoint table[8];
    OddMultiplesVartime(table, ToFast(points[p]), 8);
    TecPoint twice = points[p], expected = points[p];
    twice.Double();
    for (std::size_t i = 0; i < 8; ++i) {
      EXPECT_TRUE(SamePoint(table[i], expected)) << "P #" << p << ", " << 2 * i + 1 << " P";
      expected.Add(twice);
    }
  }
}

TEST(PointVartimeTest, BatchConversionAndOddMultiples) {
  const TecPoint g = testsupport::BasePoint();
  AffinePoint table[9];
  OddMultiplesVartime(table, ToFast(g), 9);
  for (std::uint32_t i = 0; i < 9; ++i) {
    EXPECT_TRUE(SamePoint(table[i], testsupport::BaseMultiple(testsupport::Small(2 * i + 1)))) << i;
  }
  // Zero points among the inputs keep their place and do not spoil the shared inversion.
  const Fe z = ToFast(testsupport::BaseMultiple(testsupport::Small(7)).y);
  const LdPoint in[4] = {Scrambled(table[0], z), LdZero, Scrambled(table[1], z), LdZero};
  AffinePoint out[4];
  LdToAffineBatchVartime(out, in, 4);
  EXPECT_TRUE(AffineEqualVartime(out[0], table[0]));
  EXPECT_TRUE(AffineIsZeroVartime(out[1]));
  EXPECT_TRUE(AffineEqualVartime(out[2], table[1]));
  EXPECT_TRUE(AffineIsZeroVartime(out[3]));
}

// The powers of psi taken from precomputed matrices agree with plain squarings on every
// multiplication path (each applies the matrices with its own code); k = 3 takes squarings.
TEST(PointVartimeTest, PsiPowersAgreeWithSquaringsOnEveryPath) {
  testsupport::OnEveryFieldPath([] {
    std::mt19937_64 rng(4);
    for (int i = 0; i < 20; ++i) {
      // Bit 255 set on some inputs: the non-canonical spelling must give the same power.
      const Fe a{{rng(), rng(), rng(), rng() >> (i % 2)}};
      for (const int k : {1, 2, 3, 4, 8}) {
        Fe viaMatrix, viaSquarings;
        FePsiPowerVartime(viaMatrix, a, k);
        FeSqrN(viaSquarings, a, 15 * k);
        EXPECT_TRUE(FeEqualVartime(viaMatrix, viaSquarings)) << k;
        EXPECT_EQ(viaMatrix.w[3] >> 63, 0u) << k;
      }
    }
    // Several arguments in one pass, in place, as the Frobenius maps of points take them.
    for (const std::size_t count : {1u, 2u, 3u, 4u}) {
      for (const int k : {1, 2, 4, 8}) {
        Fe many[4], expected[4];
        for (std::size_t i = 0; i < count; ++i) {
          many[i] = Fe{{rng(), rng(), rng(), rng()}};
          FeSqrN(expected[i], many[i], 15 * k);
        }
        FePsiPowersVartime(many, many, count, k);
        for (std::size_t i = 0; i < count; ++i) {
          EXPECT_TRUE(FeEqualVartime(many[i], expected[i])) << count << " " << k << " " << i;
          EXPECT_EQ(many[i].w[3] >> 63, 0u);
        }
      }
    }
  });
}

TEST(PointVartimeTest, GeneratedTablesHoldTheOddMultiplesOfGAndPsiG) {
  AffinePoint g{kBaseX, kBaseY, 0}, psiG;
  AffineFrobeniusVartime(psiG, g, 1);
  for (int row = 0; row < 2; ++row) {
    AffinePoint expected[BaseTableSize];
    OddMultiplesVartime(expected, row == 0 ? g : psiG, BaseTableSize);
    for (std::size_t i = 0; i < BaseTableSize; ++i) {
      EXPECT_TRUE(AffineEqualVartime(kBaseOddMultiples[row][i], expected[i])) << row << " " << i;
    }
  }
}

}  // namespace
}  // namespace eccrypt::fast
