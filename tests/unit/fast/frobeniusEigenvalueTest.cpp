// The facts the group check rests on, derived from the curve rather than taken from comments:
// E(GF(2^15)) has 32460 points (trace 309), the whole group 32460 * n, and the 2^15-power
// Frobenius map psi acts on <G> as a primitive 17th root of unity lambda mod n with
// lambda^2 - 309 lambda + 2^15 = 0.
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstdint>
#include <vector>

#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/params/curveParameters.h"
#include "support/bignumOracle.h"
#include "support/fastSupport.h"

namespace eccrypt::fast {
namespace {

using testsupport::BnPtr;
using testsupport::NewBignum;

// GF(2^15) = GF(2)[y]/(y^15 + y + 1), bit j the coefficient of y^j, as the reference's units.
std::uint32_t SmallMul(std::uint32_t a, std::uint32_t b) {
  std::uint32_t r = 0;
  for (int i = 0; i < 15; ++i) {
    if (((b >> i) & 1) != 0) r ^= a << i;
  }
  for (int i = 28; i >= 15; --i) {
    if (((r >> i) & 1) != 0) r ^= (1u << i) | (1u << (i - 14)) | (1u << (i - 15));
  }
  return r;
}

std::uint32_t SmallPower(std::uint32_t a, std::uint32_t e) {
  std::uint32_t r = 1;
  for (; e != 0; e >>= 1, a = SmallMul(a, a)) {
    if ((e & 1) != 0) r = SmallMul(r, a);
  }
  return r;
}

std::uint32_t SmallTrace(std::uint32_t a) {
  std::uint32_t t = 0;
  for (int i = 0; i < 15; ++i, a = SmallMul(a, a)) t ^= a;
  return t;
}

// Points of y^2 + xy = x^3 + b over GF(2^15): the zero point, (0, sqrt(b)), and for x != 0 two
// points exactly when z^2 + z = x + b / x^2 has a root, that is when its trace is 0.
std::int64_t CountSmallFieldPoints() {
  std::int64_t count = 2;
  for (std::uint32_t x = 1; x < 32768; ++x) {
    const std::uint32_t inverseSquare = SmallPower(SmallMul(x, x), 32766);
    if (SmallTrace(x ^ SmallMul(CurveB, inverseSquare)) == 0) count += 2;
  }
  return count;
}

BnPtr Word(std::uint64_t v) {
  BnPtr b = NewBignum();
  BN_set_word(b.get(), v);
  return b;
}

TEST(FrobeniusEigenvalueTest, PointCountsAndEigenvalueComeFromTheCurve) {
  const std::int64_t smallCount = CountSmallFieldPoints();
  EXPECT_EQ(smallCount, CurveCofactor);
  const std::int64_t trace = 32768 + 1 - smallCount;
  EXPECT_EQ(trace, 309);

  // #E(GF(2^255)) = 2^255 + 1 - t_17 with t_0 = 2, t_1 = t, t_(k+1) = t t_k - 2^15 t_(k-1).
  testsupport::BnCtxPtr ctx(BN_CTX_new());
  const BnPtr t = Word(static_cast<std::uint64_t>(trace));
  const BnPtr q = Word(32768);
  BnPtr previous = Word(2), current = Word(static_cast<std::uint64_t>(trace));
  for (int k = 1; k < 17; ++k) {
    BnPtr next = NewBignum(), product = NewBignum();
    BN_mul(next.get(), t.get(), current.get(), ctx.get());
    BN_mul(product.get(), q.get(), previous.get(), ctx.get());
    BN_sub(next.get(), next.get(), product.get());
    previous = std::move(current);
    current = std::move(next);
  }
  BnPtr groupOrder = NewBignum();
  BN_set_bit(groupOrder.get(), 255);
  BN_add_word(groupOrder.get(), 1);
  BN_sub(groupOrder.get(), groupOrder.get(), current.get());
  const BnPtr n = testsupport::Order();
  const BnPtr expected(BN_dup(n.get()));
  BN_mul_word(expected.get(), static_cast<BN_ULONG>(CurveCofactor));
  EXPECT_EQ(BN_cmp(groupOrder.get(), expected.get()), 0) << testsupport::Hex(groupOrder.get());
  EXPECT_NE(CurveCofactor % 17, 0);

  // The primitive 17th roots of unity mod n are w^j, j = 1..16, for any w = g^((n - 1) / 17)
  // other than 1; exactly one of them is a root of lambda^2 - t lambda + 2^15.
  ASSERT_EQ(BN_mod_word(n.get(), 17), 1u);
  BnPtr exponent = NewBignum(), w = NewBignum();
  BN_copy(exponent.get(), n.get());
  BN_sub_word(exponent.get(), 1);
  BN_div_word(exponent.get(), 17);
  for (BN_ULONG g = 2; BN_is_one(w.get()) || BN_is_zero(w.get()); ++g) {
    BN_mod_exp(w.get(), Word(g).get(), exponent.get(), n.get(), ctx.get());
  }
  std::vector<BnPtr> eigenvalues;
  BnPtr power = Word(1);
  for (int j = 1; j <= 16; ++j) {
    BN_mod_mul(power.get(), power.get(), w.get(), n.get(), ctx.get());
    BnPtr value = NewBignum(), linear = NewBignum();
    BN_mod_sqr(value.get(), power.get(), n.get(), ctx.get());
    BN_mod_mul(linear.get(), t.get(), power.get(), n.get(), ctx.get());
    BN_mod_sub(value.get(), value.get(), linear.get(), n.get(), ctx.get());
    BN_mod_add(value.get(), value.get(), q.get(), n.get(), ctx.get());
    if (BN_is_zero(value.get())) eigenvalues.push_back(BnPtr(BN_dup(power.get())));
  }
  ASSERT_EQ(eigenvalues.size(), 1u);

  // psi(G) = lambda * G, with psi computed by 15 squarings of each reference coordinate and by
  // the fast engine's Frobenius map.
  const TecPoint g = testsupport::BasePoint();
  TecPoint psiG = g;
  for (int i = 0; i < 15; ++i) {
    psiG.x.Square(psiG.x);
    psiG.y.Square(psiG.y);
  }
  const TecPoint lambdaG = testsupport::BaseMultiple(testsupport::FromBignum(eigenvalues[0].get()));
  EXPECT_TRUE(testsupport::PointsEqual(psiG, lambdaG));
  AffinePoint fastPsiG;
  AffineFrobeniusVartime(fastPsiG, testsupport::ToFast(g), 1);
  EXPECT_TRUE(testsupport::SamePoint(fastPsiG, lambdaG));
}

}  // namespace
}  // namespace eccrypt::fast
