// The fast engine's signature check against the reference's, on signatures made by the
// reference: valid ones, ones changed in each half and in the digest, unreduced and zero-led
// halves, and sums s G + r Q that meet the exceptional cases (the zero point, Q = +-G).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ECCrypt/fast/publicVartime.h"
#include "ECCrypt/fast/verifyTables.h"
#include "ECCrypt/fast/wnafVartime.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "support/bignumOracle.h"
#include "support/fastSupport.h"
#include "support/fieldPaths.h"

namespace eccrypt::fast {
namespace {

using testsupport::Small;

struct Signed {
  TvlPoint q, h, r, s;
};

TvlPoint Order() {
  TvlPoint n;
  n.LoadOrder(true);
  return n;
}

TvlPoint Plus(const TvlPoint& a, const TvlPoint& b) {
  TvlPoint r;
  r.CopyFrom(a);
  r.Add(b);
  return r;
}

TvlPoint Minus(const TvlPoint& a, const TvlPoint& b) {
  TvlPoint r;
  r.CopyFrom(a);
  r.Subtract(b);
  return r;
}

// v with zero digits above its own up to length 18, as a text led by "0000" groups reads.
TvlPoint ZeroLed(const TvlPoint& v) {
  TvlPoint r;
  r.CopyFrom(v);
  for (std::int32_t i = v.Length() + 1; i <= 18; ++i) r.Words[static_cast<std::size_t>(i)] = 0;
  r.Words[0] = 18;
  return r;
}

Signed SignWith(const TECCrypt& x, const TvlPoint& k, const TvlPoint& h) {
  Signed sig;
  x.MakePublicKey(sig.q);
  sig.h.CopyFrom(h);
  x.MakeSignature(k, h, sig.r, sig.s);
  return sig;
}

void ExpectSameVerdict(const Signed& sig, const std::string& name) {
  const testsupport::ReferenceEngineScope reference;
  TECCrypt key;
  key.CopyFrom(sig.q);
  const bool expected = key.CheckSignature(sig.h, sig.r, sig.s);
  EXPECT_EQ(CheckSignatureVartime(sig.q, sig.h, sig.r, sig.s), expected) << name;
}

TEST(VerifyVartimeTest, ValidAndAlteredSignaturesAsTheReference) {
  std::mt19937_64 rng(6);
  for (int i = 0; i < 4; ++i) {
    TECCrypt x;
    x.CopyFrom(testsupport::RandomBelowPowerOfTwo(rng, 240));
    const Signed sig = SignWith(x, testsupport::RandomBelowPowerOfTwo(rng, 250),
                                testsupport::RandomBelowPowerOfTwo(rng, 160));
    TECCrypt key;
    key.CopyFrom(sig.q);
    {
      const testsupport::ReferenceEngineScope reference;
      ASSERT_TRUE(key.CheckSignature(sig.h, sig.r, sig.s));
    }
    EXPECT_TRUE(CheckSignatureVartime(sig.q, sig.h, sig.r, sig.s));

    std::vector<std::pair<std::string, Signed>> variants;
    Signed v = sig;
    v.h = Plus(sig.h, Small(1));
    variants.emplace_back("h + 1", v);
    v = sig;
    v.s = Plus(sig.s, Small(1));
    variants.emplace_back("s + 1", v);
    v = sig;
    v.s = Plus(sig.s, Order());
    variants.emplace_back("s + n", v);
    v = sig;
    v.r = Plus(sig.r, Order());
    variants.emplace_back("r + n", v);
    v = sig;
    v.r = Plus(sig.r, Small(1));
    variants.emplace_back("r + 1", v);
    v = sig;
    v.r = ZeroLed(sig.r);
    variants.emplace_back("zero-led r", v);
    v = sig;
    v.s = ZeroLed(sig.s);
    variants.emplace_back("zero-led s", v);
    v = sig;
    v.r = ZeroLed(Small(1));
    variants.emplace_back("r = 1 led by 17 zero digits", v);
    v = sig;
    v.s = TvlPoint{};
    variants.emplace_back("s = 0", v);
    v = sig;
    v.r = TvlPoint{};
    variants.emplace_back("r = 0", v);
    v = sig;
    v.s = testsupport::RandomBelowPowerOfTwo(rng, 288);
    variants.emplace_back("18-digit s", v);
    v = sig;
    x.MakePublicKey(v.q);
    v.q.Words[0] = 0;
    variants.emplace_back("q = 0 (the zero point)", v);
    for (const auto& [name, variant] : variants) {
      ExpectSameVerdict(variant, name + " #" + std::to_string(i));
    }
  }
}

// The group check keeps the key it decoded for the signature check that follows it. The kept
// point must serve only that key (by value, zero-led or not) and only once: a signature under
// another key, or one checked later, decodes its own key.
TEST(VerifyVartimeTest, SignatureCheckAfterTheGroupCheckOfAKey) {
  TECCrypt x1, x2;
  x1.CopyFrom(Small(0x1234567));
  x2.CopyFrom(Small(0x7654321));
  const Signed a = SignWith(x1, Small(99), Small(5));
  const Signed b = SignWith(x2, Small(101), Small(5));
  struct Case {
    std::string name;
    const TvlPoint& checked;
    const Signed& sig;
    TvlPoint q;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"same key", a.q, a, a.q, true},
      {"same key zero-led", a.q, a, ZeroLed(a.q), true},
      {"other key's signature under the checked key", a.q, b, a.q, false},
      {"checked key, signature of the other key", a.q, b, b.q, true},
      {"checked key, other digest", a.q, a, a.q, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(IsCompressedGroupPointVartime(c.checked)) << c.name;
    const TvlPoint& h = c.name == "checked key, other digest" ? Small(6) : c.sig.h;
    EXPECT_EQ(CheckSignatureVartime(c.q, h, c.sig.r, c.sig.s), c.expected) << c.name;
    // Taken once: the same call again decodes q itself and agrees.
    EXPECT_EQ(CheckSignatureVartime(c.q, h, c.sig.r, c.sig.s), c.expected) << c.name;
  }
  // A group check that refuses (no point has this x) leaves nothing for the next check.
  ASSERT_TRUE(IsCompressedGroupPointVartime(b.q));
  TvlPoint pointless;
  for (std::uint32_t v = 4;; v += 2) {
    pointless = Small(v);
    AffinePoint p;
    if (!DecompressVartime(p, pointless)) break;
  }
  EXPECT_FALSE(IsCompressedGroupPointVartime(pointless));
  EXPECT_TRUE(CheckSignatureVartime(b.q, b.h, b.r, b.s));
}

TEST(VerifyVartimeTest, SumsAtTheExceptionalCases) {
  // With Q = x G, s G + r Q = (s + r x) G: choose s and r to land on the zero point, on G, and
  // to make the two tables hold the same or opposite points.
  const TvlPoint n = Order();
  const TvlPoint one = Small(1);
  const TvlPoint nMinusOne = Minus(n, one);
  struct Setup {
    std::string name;
    TvlPoint x, r, s;
  };
  const std::vector<Setup> setups = {
      {"Q = G, s = n - r: sum O", one, Small(12345), Minus(n, Small(12345))},
      {"Q = -G, s = r: sum O", nMinusOne, Small(77), Small(77)},
      {"Q = G, s = r: sum 2 r G", one, Small(1000), Small(1000)},
      {"Q = 2G, r = s = 1: 3G", Small(2), one, one},
      {"Q = G, r = 1, s = 0", one, one, TvlPoint{}},
      {"Q = G, r = n - 1, s = 1", one, nMinusOne, one},
  };
  for (const Setup& setup : setups) {
    TECCrypt x;
    x.CopyFrom(setup.x);
    Signed sig;
    x.MakePublicKey(sig.q);
    sig.r.CopyFrom(setup.r);
    sig.s.CopyFrom(setup.s);
    // h = r is the accepted digest where the sum is the zero point.
    for (const TvlPoint& h : {TvlPoint{}, setup.r, Small(3)}) {
      sig.h.CopyFrom(h);
      ExpectSameVerdict(sig, setup.name + ", h = " + testsupport::HexOf(h));
    }
  }
}

// Keys outside <G> (the check itself does not refuse them): points of small order make the
// odd multiples of Q and sums along the walk the zero point or doublings, which the walk's
// register kernel hands back to the general additions.
TEST(VerifyVartimeTest, KeysOfSmallOrderAsTheReference) {
  const std::vector<TecPoint> small = testsupport::SmallFieldPoints(60);
  testsupport::OnEveryFieldPath([&small] {
    for (std::size_t i = 0; i < small.size(); i += 6) {
      Signed sig;
      sig.q = testsupport::CompressedOf(small[i]);
      for (const std::uint32_t r : {1U, 2U, 3U, 12U, 0x12345U}) {
        sig.r = Small(r);
        sig.s = Small(7);
        sig.h = Small(3);
        ExpectSameVerdict(sig, "T #" + std::to_string(i) + ", r = " + std::to_string(r));
      }
    }
  });
}

TEST(VerifyVartimeTest, ReductionAndRecoding) {
  std::mt19937_64 rng(3);
  const testsupport::BnPtr n = testsupport::Order();
  testsupport::BnCtxPtr ctx(BN_CTX_new());
  for (int i = 0; i < 200; ++i) {
    const TvlPoint v = testsupport::RandomBelowPowerOfTwo(rng, 1 + static_cast<int>(rng() % 304));
    std::uint64_t reduced[4];
    ASSERT_TRUE(ReduceModOrderVartime(reduced, v));
    testsupport::BnPtr expected = testsupport::ToBignum(v);
    BN_mod(expected.get(), expected.get(), n.get(), ctx.get());
    testsupport::BnPtr actual = testsupport::NewBignum();
    for (int w = 3; w >= 0; --w) {
      BN_lshift(actual.get(), actual.get(), 64);
      BN_add_word(actual.get(), reduced[w]);
    }
    ASSERT_EQ(BN_cmp(actual.get(), expected.get()), 0) << i;

    for (int width = 2; width <= 8; ++width) {
      Wnaf digits;
      const int length = WnafVartime(digits, reduced, width);
      testsupport::BnPtr sum = testsupport::NewBignum();
      int gap = width;
      for (int j = length; j-- > 0;) {
        const int d = digits[static_cast<std::size_t>(j)];
        BN_lshift1(sum.get(), sum.get());
        if (d != 0) {
          ASSERT_TRUE(d % 2 != 0 && d < (1 << (width - 1)) && -d < (1 << (width - 1)));
          ASSERT_GE(gap, width);  // at least w - 1 zeros between nonzero digits
          gap = 0;
          if (d > 0) BN_add_word(sum.get(), static_cast<BN_ULONG>(d));
          if (d < 0) BN_sub_word(sum.get(), static_cast<BN_ULONG>(-d));
        }
        ++gap;
      }
      ASSERT_EQ(BN_cmp(sum.get(), expected.get()), 0) << "width " << width;
    }
  }
  // The split by the eigenvalue: k = k1 + k2 lambda mod n with k1, k2 below 2^kSplitBits.
  testsupport::BnPtr lambda = testsupport::NewBignum();
  for (int w = 3; w >= 0; --w) {
    BN_lshift(lambda.get(), lambda.get(), 64);
    BN_add_word(lambda.get(), kEigenvalue[w]);
  }
  for (int i = 0; i < 200; ++i) {
    std::uint64_t k[4];
    ASSERT_TRUE(ReduceModOrderVartime(k, testsupport::RandomBelowPowerOfTwo(rng, 256)));
    if (i == 0) k[0] = k[1] = k[2] = k[3] = 0;
    SplitScalar split;
    SplitByEigenvalue(split, k);
    testsupport::BnPtr parts[2] = {testsupport::NewBignum(), testsupport::NewBignum()};
    for (int j = 0; j < 2; ++j) {
      ASSERT_EQ(split.magnitude[j][2] | split.magnitude[j][3], 0u);
      ASSERT_LT(split.magnitude[j][1], std::uint64_t{1} << (kSplitBits - 64)) << i;
      BN_set_word(parts[j].get(), split.magnitude[j][1]);
      BN_lshift(parts[j].get(), parts[j].get(), 64);
      BN_add_word(parts[j].get(), split.magnitude[j][0]);
      BN_set_negative(parts[j].get(), split.negative[j] != 0 ? 1 : 0);
    }
    testsupport::BnPtr sum = testsupport::NewBignum(), expected = testsupport::NewBignum();
    BN_mul(sum.get(), parts[1].get(), lambda.get(), ctx.get());
    BN_add(sum.get(), sum.get(), parts[0].get());
    BN_nnmod(sum.get(), sum.get(), n.get(), ctx.get());
    for (int w = 3; w >= 0; --w) {
      BN_lshift(expected.get(), expected.get(), 64);
      BN_add_word(expected.get(), k[w]);
    }
    ASSERT_EQ(BN_cmp(sum.get(), expected.get()), 0) << i;
  }

  TvlPoint corrupt;
  corrupt.Words[0] = 20;
  std::uint64_t out[4];
  EXPECT_FALSE(ReduceModOrderVartime(out, corrupt));
}

}  // namespace
}  // namespace eccrypt::fast
