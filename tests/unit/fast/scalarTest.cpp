// Scalars modulo n on fixed limbs, held against OpenSSL's big numbers and, for the signing
// equation, against the reference primitive itself.
#include "ECCrypt/fast/scalar.h"

#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/limbs.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "support/bignumOracle.h"
#include "support/curveSupport.h"

namespace eccrypt::fast {
namespace {

using testsupport::BnCtxPtr;
using testsupport::BnPtr;
using testsupport::FromBignum;
using testsupport::IntFromHex;
using testsupport::NewBignum;
using testsupport::Order;
using testsupport::SameValue;
using testsupport::ToBignum;

BnPtr Bn(const TvlPoint& v) {
  return ToBignum(v);
}

// m * n + delta, as an integer.
TvlPoint MultipleOfOrder(const char* mHex, int delta) {
  BnCtxPtr ctx(BN_CTX_new());
  BnPtr m = testsupport::BignumFromHex(mHex);
  BnPtr r = NewBignum();
  BN_mul(r.get(), m.get(), Order().get(), ctx.get());
  BnPtr d = NewBignum();
  BN_set_word(d.get(), static_cast<BN_ULONG>(delta < 0 ? -delta : delta));
  if (delta < 0) {
    BN_sub(r.get(), r.get(), d.get());
  } else {
    BN_add(r.get(), r.get(), d.get());
  }
  return FromBignum(r.get());
}

// 2^bits - 1.
TvlPoint AllOnes(int bits) {
  BnPtr b = NewBignum();
  BN_set_bit(b.get(), bits);
  BN_sub_word(b.get(), 1);
  return FromBignum(b.get());
}

// Edge values: small, around n and its multiples (the largest that fits in 19 digits too),
// and the largest values of 240, 255, 17, 18 and 19 digits' worth of bits.
std::vector<TvlPoint> EdgeValues() {
  const TvlPoint one = IntFromHex("1");
  return {TvlPoint{},
          one,
          IntFromHex("2"),
          MultipleOfOrder("1", -1),
          MultipleOfOrder("1", 0),
          MultipleOfOrder("1", 1),
          MultipleOfOrder("2", 0),
          MultipleOfOrder("3", -1),
          MultipleOfOrder("FFFFFFFFFFFF", 0),
          MultipleOfOrder("FD97FFFFFFFFFFFF", 1),
          MultipleOfOrder("FD97FFFFFFFFFFFF", 0),  // the largest multiple below 2^304
          MultipleOfOrder("FD97FFFFFFFFFFFF", -1),
          AllOnes(240),
          AllOnes(255),
          AllOnes(16 * 17),
          AllOnes(16 * 18),
          AllOnes(16 * 19),
          testsupport::MakeVl({5, 0, 0}),  // not in normal form: zero top digits
          testsupport::MakeVl({0})};
}

TvlPoint Reduced(const TvlPoint& v) {
  Scalar s;
  ScalarReduce(s, v);
  TvlPoint out;
  LimbsToVl(out, s.w);
  return out;
}

::testing::AssertionResult ReducesCorrectly(const TvlPoint& v) {
  BnCtxPtr ctx(BN_CTX_new());
  BnPtr expected = NewBignum();
  BN_mod(expected.get(), Bn(v).get(), Order().get(), ctx.get());
  return SameValue(Reduced(v), expected.get()) << " for " << testsupport::Describe(v);
}

TEST(FastScalar, ReduceEdgeValues) {
  for (const TvlPoint& v : EdgeValues()) EXPECT_TRUE(ReducesCorrectly(v));
}

TEST(FastScalar, ReduceRandomValuesIgnoringWordsAboveTheLength) {
  testsupport::RandomVl random(11);
  for (int i = 0; i < 2000; ++i) EXPECT_TRUE(ReducesCorrectly(random.UpTo(TvlPoint::Capacity)));
}

TEST(FastScalar, ZeroMaskForMultiplesOfTheOrder) {
  for (const char* m : {"0", "1", "5", "FD97FFFFFFFFFFFF"}) {
    Scalar s;
    ScalarReduce(s, MultipleOfOrder(m, 0));
    EXPECT_EQ(ScalarIsZeroMask(s), ~std::uint64_t{0}) << m;
    ScalarReduce(s, MultipleOfOrder(m, 1));
    EXPECT_EQ(ScalarIsZeroMask(s), 0U) << m;
  }
}

// s = k - c with c = x * r mod n, n added first when c > k.
BnPtr ExpectedS(const TvlPoint& x, const TvlPoint& k, const TvlPoint& r) {
  BnCtxPtr ctx(BN_CTX_new());
  BnPtr c = NewBignum();
  BN_mod_mul(c.get(), Bn(x).get(), Bn(r).get(), Order().get(), ctx.get());
  BnPtr s = Bn(k);
  if (BN_cmp(c.get(), s.get()) > 0) BN_add(s.get(), s.get(), Order().get());
  BN_sub(s.get(), s.get(), c.get());
  return s;
}

::testing::AssertionResult SignsCorrectly(const TvlPoint& x, const TvlPoint& k, const TvlPoint& r) {
  TvlPoint s;
  for (auto& w : s.Words) w = 0x5A5A;
  SignatureS(s, x, k, r);
  return SameValue(s, ExpectedS(x, k, r).get())
         << " for x " << testsupport::Describe(x) << ", k " << testsupport::Describe(k) << ", r "
         << testsupport::Describe(r);
}

TEST(FastScalar, SignatureSOnEdgeValues) {
  const std::vector<TvlPoint> edges = EdgeValues();
  const std::vector<TvlPoint> rs = {IntFromHex("1"), MultipleOfOrder("1", -1),
                                    IntFromHex("1234567890ABCDEF1234567890ABCDEF"),
                                    MultipleOfOrder("1", 7)};
  for (const TvlPoint& x : edges) {
    for (const TvlPoint& k : edges) {
      for (const TvlPoint& r : rs) EXPECT_TRUE(SignsCorrectly(x, k, r));
    }
  }
}

TEST(FastScalar, SignatureSOnRandomValues) {
  testsupport::RandomVl random(12);
  std::mt19937_64 rng(13);
  for (int i = 0; i < 1000; ++i) {
    const TvlPoint x = random.UpTo(TvlPoint::Capacity);
    // Mostly nonces of the component's size, some of every other.
    const TvlPoint k = i % 4 == 0 ? random.UpTo(TvlPoint::Capacity) : random.WithLength(17);
    const TvlPoint r = Reduced(testsupport::RandomBelowPowerOfTwo(rng, 241));
    EXPECT_TRUE(SignsCorrectly(x, k, r));
  }
}

// The reference primitive writes the same integer: a few full signatures, with nonces that
// take either branch (a small k is below c; a 17-digit one is above it).
TEST(FastScalar, SignatureSMatchesTheReferencePrimitive) {
  TECCrypt().PrepareTables();
  testsupport::RandomVl random(14);
  const std::vector<TvlPoint> nonces = {IntFromHex("3"), random.WithLength(17),
                                        random.WithLength(18), MultipleOfOrder("1", 1)};
  for (const TvlPoint& k : nonces) {
    TECCrypt key;
    key.CopyFrom(random.WithLength(16));
    const TvlPoint h = random.WithLength(10);
    TvlPoint r, s, fastS;
    key.MakeSignature(k, h, r, s);
    ASSERT_FALSE(r.IsZero());
    SignatureS(fastS, key, k, r);
    EXPECT_TRUE(SameValue(fastS, Bn(s).get())) << testsupport::Describe(k);
  }
}

}  // namespace
}  // namespace eccrypt::fast
