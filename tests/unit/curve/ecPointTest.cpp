// The group law: neutral element, negatives, doubling, and scalar multiplication held against
// repeated addition and against integer arithmetic modulo the order n.
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfTables.h"
#include "ECPlatform/ShowMessage.h"
#include "support/bignumOracle.h"
#include "support/curveSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

class EcPointTest : public CurveTest {};

TEST_F(EcPointTest, BaseLiesOnCurveAndNewPointIsZero) {
  EXPECT_TRUE(Base().OnCurve());
  EXPECT_TRUE(TecPoint().IsZero());
  TecPoint p = Base();
  p.LoadBase(false);
  EXPECT_TRUE(p.IsZero());
}

TEST_F(EcPointTest, ZeroPointIsNeutral) {
  const TecPoint g = Base();
  const TecPoint zero;

  TecPoint p = g;
  p.Add(zero);
  EXPECT_TRUE(PointsEqual(p, g));

  p = zero;
  p.Add(g);
  EXPECT_TRUE(PointsEqual(p, g));

  p = zero;
  p.Double();
  EXPECT_TRUE(p.IsZero());

  p = zero;
  p.Subtract(zero);
  EXPECT_TRUE(p.IsZero());
}

TEST_F(EcPointTest, NegativesCancel) {
  const TecPoint g = Base();
  TecPoint negative;
  negative.x.CopyFrom(g.x);
  negative.y.Add(g.x, g.y);
  ASSERT_TRUE(negative.OnCurve());

  TecPoint p = g;
  p.Add(negative);
  EXPECT_TRUE(p.IsZero());

  p = g;
  p.Subtract(g);
  EXPECT_TRUE(p.IsZero());

  p = g;
  p.Subtract(p);  // the argument is the target itself
  EXPECT_TRUE(p.IsZero());

  // Subtracting a negative adds.
  p = g;
  p.Subtract(negative);
  TecPoint twice = g;
  twice.Double();
  EXPECT_TRUE(PointsEqual(p, twice));
}

TEST_F(EcPointTest, AddingAPointToItselfDoubles) {
  const TecPoint g = Base();
  TecPoint doubled = g;
  doubled.Double();
  EXPECT_TRUE(doubled.OnCurve());
  EXPECT_FALSE(doubled.x.Equal(g.x));

  TecPoint sum = g;
  sum.Add(g);
  EXPECT_TRUE(PointsEqual(sum, doubled));

  sum = g;
  sum.Add(sum);  // the argument is the target itself
  EXPECT_TRUE(PointsEqual(sum, doubled));

  // 2G + G = 3G differs from both, and the arguments stay as they were.
  const TecPoint doubledBefore = doubled;
  TecPoint three = g;
  three.Add(doubled);
  EXPECT_TRUE(three.OnCurve());
  EXPECT_TRUE(PointsEqual(doubled, doubledBefore));
  three.Subtract(doubled);
  EXPECT_TRUE(PointsEqual(three, g));
  EXPECT_TRUE(PointsEqual(doubled, doubledBefore));
}

TEST_F(EcPointTest, PointsWithXZeroDoubleToZero) {
  // x = 0: the inversion in Double leaves its target zero, and so is every intermediate.
  TecPoint orderTwo = UnitPoint(0, CurveSqrtB);
  ASSERT_TRUE(orderTwo.OnCurve());
  orderTwo.Double();
  EXPECT_TRUE(orderTwo.IsZero());

  // The same through Add of the point to itself.
  TecPoint p = UnitPoint(0, CurveSqrtB);
  p.Add(UnitPoint(0, CurveSqrtB));
  EXPECT_TRUE(p.IsZero());
}

TEST_F(EcPointTest, BaseTimesOrderIsZero) {
  TvlPoint n;
  n.LoadOrder(true);
  const TvlPoint nBefore = n;
  TecPoint p = Base();
  p.Multiply(n);
  EXPECT_TRUE(p.IsZero());
  EXPECT_TRUE(n.Equal(nBefore));
}

TEST_F(EcPointTest, SmallMultiplesEqualRepeatedAddition) {
  const TecPoint g = Base();
  TecPoint sum;  // k * G built by k additions
  for (std::uint32_t k = 0; k <= 12; ++k) {
    SCOPED_TRACE("k = " + std::to_string(k));
    const TvlPoint scalar = Small(k);
    TecPoint product = g;
    product.Multiply(scalar);
    EXPECT_TRUE(PointsEqual(product, sum));
    EXPECT_TRUE(scalar.Equal(Small(k)));
    sum.Add(g);
  }

  // Multiplying the zero point gives the zero point; so does multiplying by zero.
  TecPoint zero;
  zero.Multiply(Small(7));
  EXPECT_TRUE(zero.IsZero());

  // The point of order 2: odd multiples are itself, even ones zero.
  TecPoint orderTwo = UnitPoint(0, CurveSqrtB);
  orderTwo.Multiply(Small(5));
  EXPECT_TRUE(PointsEqual(orderTwo, UnitPoint(0, CurveSqrtB)));
  orderTwo.Multiply(Small(2));
  EXPECT_TRUE(orderTwo.IsZero());
}

TEST_F(EcPointTest, MultiplicationFollowsIntegerArithmeticModuloOrder) {
  std::mt19937_64 rng(0x5eed'c0de);
  const auto n = testsupport::Order();
  testsupport::BnCtxPtr ctx(BN_CTX_new());

  const TvlPoint a = testsupport::RandomBelowPowerOfTwo(rng, 240);
  const TvlPoint b = testsupport::RandomBelowPowerOfTwo(rng, 240);
  const TecPoint aG = BaseMultiple(a);
  const TecPoint bG = BaseMultiple(b);
  EXPECT_TRUE(aG.OnCurve());

  // (a + b) G = aG + bG.
  auto sum = testsupport::NewBignum();
  BN_add(sum.get(), testsupport::ToBignum(a).get(), testsupport::ToBignum(b).get());
  TecPoint added = aG;
  added.Add(bG);
  EXPECT_TRUE(PointsEqual(BaseMultiple(testsupport::FromBignum(sum.get())), added));

  // a (bG) = b (aG) = (ab mod n) G.
  auto product = testsupport::NewBignum();
  BN_mod_mul(product.get(), testsupport::ToBignum(a).get(), testsupport::ToBignum(b).get(), n.get(),
             ctx.get());
  const TecPoint abG = BaseMultiple(testsupport::FromBignum(product.get()));
  TecPoint aThenB = bG;
  aThenB.Multiply(a);
  EXPECT_TRUE(PointsEqual(aThenB, abG));
  TecPoint bThenA = aG;
  bThenA.Multiply(b);
  EXPECT_TRUE(PointsEqual(bThenA, abG));
}

TEST_F(EcPointTest, LongestScalarsReduceModuloOrder) {
  // An 18-digit scalar is the longest whose triple fits an integer: k G = (k mod n) G.
  std::mt19937_64 rng(18);
  const TvlPoint k = testsupport::RandomBelowPowerOfTwo(rng, 18 * 16);
  ASSERT_EQ(k.Length(), 18);
  testsupport::BnCtxPtr ctx(BN_CTX_new());
  auto reduced = testsupport::NewBignum();
  BN_nnmod(reduced.get(), testsupport::ToBignum(k).get(), testsupport::Order().get(), ctx.get());
  EXPECT_TRUE(PointsEqual(BaseMultiple(k), BaseMultiple(testsupport::FromBignum(reduced.get()))));
}

TEST_F(EcPointTest, NineteenDigitScalarIsRefusedWithoutAMessage) {
  // 3k would need a 20th digit: the multiplication is refused before the integer arithmetic
  // would report the lack of room and go on with a wrong value.
  std::vector<std::string> messages;
  const auto previous = ecplatform::SetMessageHandler(
      [&messages](const std::string& text) { messages.push_back(text); });

  TvlPoint k;
  k.Words[0] = TvlPoint::Capacity;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) k.Words[i] = 1;
  TecPoint p = Base();
  EXPECT_THROW(p.Multiply(k), std::length_error);
  EXPECT_TRUE(PointsEqual(p, Base()));  // refused before anything changed

  ecplatform::SetMessageHandler(previous);
  EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace eccrypt
