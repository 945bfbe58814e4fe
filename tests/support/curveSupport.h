#pragma once
// Test support for the curve and the primitives: integers from hexadecimal text, points with
// given coordinates, multiples of the base point and the base point's known forms.
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfPoint.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/params/curveParameters.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "support/bignumOracle.h"
#include "support/vectorFile.h"

namespace eccrypt::testsupport {

inline BnPtr BignumFromHex(const std::string& hex) {
  BIGNUM* b = nullptr;
  if (hex.empty()) return NewBignum();
  if (BN_hex2bn(&b, hex.c_str()) == 0) throw std::invalid_argument("bad hex: " + hex);
  return BnPtr(b);
}

inline TvlPoint IntFromHex(const std::string& hex) {
  return FromBignum(BignumFromHex(hex).get());
}

// Upper-case hexadecimal without leading zeros; "0" for zero.
inline std::string HexOf(const TvlPoint& v) {
  return Hex(ToBignum(v).get());
}

// The integer v in normal form (zero has no digits).
inline TvlPoint Small(std::uint32_t v) {
  auto b = NewBignum();
  BN_set_word(b.get(), v);
  return FromBignum(b.get());
}

// A reproducible random integer below 2^bits.
inline TvlPoint RandomBelowPowerOfTwo(std::mt19937_64& rng, int bits) {
  auto b = NewBignum();
  for (int i = 0; i < bits; ++i) {
    if ((rng() & 1) != 0) BN_set_bit(b.get(), i);
  }
  return FromBignum(b.get());
}

inline BnPtr Order() {
  TvlPoint n;
  n.LoadOrder(true);
  return ToBignum(n);
}

// A point with coordinates in GF(2^15): one-unit elements (or zero).
inline TecPoint UnitPoint(std::int32_t x, std::int32_t y) {
  TecPoint p;
  if (x != 0) p.x.AssignSmall(x);
  if (y != 0) p.y.AssignSmall(y);
  return p;
}

inline bool SamePoint(const TecPoint& a, const TecPoint& b) {
  return a.x.Equal(b.x) && a.y.Equal(b.y);
}

inline ::testing::AssertionResult PointsEqual(const TecPoint& actual, const TecPoint& expected) {
  if (SamePoint(actual, expected)) return ::testing::AssertionSuccess();
  TvlPoint ax, ex;
  actual.XToInteger(ax);
  expected.XToInteger(ex);
  return ::testing::AssertionFailure() << "points differ: x " << HexOf(ax) << " vs " << HexOf(ex)
                                       << (actual.x.Equal(expected.x) ? " (only y differs)" : "");
}

// G, the base point.
inline TecPoint BasePoint() {
  TecPoint g;
  g.LoadBase(true);
  return g;
}

// A test of the reference curve: the field's tables are built once for the suite.
class CurveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitTables(); }
  static TecPoint Base() { return BasePoint(); }
};

// k * G.
inline TecPoint BaseMultiple(const TvlPoint& k) {
  TecPoint p = BasePoint();
  p.Multiply(k);
  return p;
}

// G's known forms in upper-case hexadecimal, from tests/vectors/basePoint.vec: the integer
// forms of its coordinates and its compressed form.
struct BasePointForms {
  std::string x, y, compressed;
};

inline const BasePointForms& KnownBasePoint() {
  static const BasePointForms forms = [] {
    const TVectorRecord record = ReadSingleVector("basePoint.vec");
    return BasePointForms{Field(record, "x"), Field(record, "y"), Field(record, "compressed")};
  }();
  return forms;
}

// A TECCrypt holding value (a secret key, or a public key's compressed point).
inline TECCrypt CryptKey(const TvlPoint& value) {
  TECCrypt key;
  key.CopyFrom(value);
  return key;
}

inline TvlPoint CompressedOf(const TecPoint& p) {
  TvlPoint v;
  p.Compress(v);
  return v;
}

}  // namespace eccrypt::testsupport
