#pragma once
// Test support: conversions between TvlPoint and OpenSSL's BIGNUM, which serves as an
// independent implementation to hold the integer arithmetic against, and random operands.
#include <gtest/gtest.h>
#include <openssl/bn.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::testsupport {

struct BnFree {
  void operator()(BIGNUM* p) const { BN_free(p); }
};
using BnPtr = std::unique_ptr<BIGNUM, BnFree>;

struct BnCtxFree {
  void operator()(BN_CTX* p) const { BN_CTX_free(p); }
};
using BnCtxPtr = std::unique_ptr<BN_CTX, BnCtxFree>;

inline BnPtr NewBignum() {
  BnPtr b(BN_new());
  if (!b) throw std::bad_alloc();
  return b;
}

// Integer with the given digits, least significant first; L is the number of digits given,
// so a list with a zero last digit gives a value outside normal form on purpose.
inline TvlPoint MakeVl(std::initializer_list<std::int32_t> digits) {
  TvlPoint x;
  x.Words[0] = static_cast<std::int32_t>(digits.size());
  std::size_t i = 1;
  for (std::int32_t d : digits) x.Words[i++] = d;
  return x;
}

// The value of digits 1..L of x.
inline BnPtr ToBignum(const TvlPoint& x) {
  std::array<unsigned char, 2 * TvlPoint::Capacity> bytes{};
  for (std::int32_t i = 1; i <= x.Words[0]; ++i) {
    const auto d = static_cast<std::uint32_t>(x.Words[static_cast<std::size_t>(i)]);
    bytes[static_cast<std::size_t>(2 * (i - 1))] = static_cast<unsigned char>(d & 0xFF);
    bytes[static_cast<std::size_t>(2 * (i - 1) + 1)] = static_cast<unsigned char>(d >> 8);
  }
  BnPtr b(BN_lebin2bn(bytes.data(), static_cast<int>(2 * x.Words[0]), nullptr));
  if (!b) throw std::bad_alloc();
  return b;
}

// b in normal form (the value zero has L = 0). b must be below 2^304.
inline TvlPoint FromBignum(const BIGNUM* b) {
  std::array<unsigned char, 2 * TvlPoint::Capacity> bytes{};
  if (BN_bn2lebinpad(b, bytes.data(), static_cast<int>(bytes.size())) < 0) {
    throw std::out_of_range("FromBignum: value needs more than 19 digits");
  }
  TvlPoint x;
  std::int32_t len = 0;
  for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) {
    x.Words[i] = bytes[2 * (i - 1)] | (bytes[2 * (i - 1) + 1] << 8);
    if (x.Words[i] != 0) len = static_cast<std::int32_t>(i);
  }
  x.Words[0] = len;
  return x;
}

inline std::string Hex(const BIGNUM* b) {
  char* text = BN_bn2hex(b);
  std::string s = text ? text : "?";
  OPENSSL_free(text);
  return s;
}

inline std::string Describe(const TvlPoint& x) {
  // Appended piece by piece: GCC 12 misreports "literal" + std::string at -O3 (-Wrestrict).
  std::string s = "L=";
  s += std::to_string(x.Words[0]);
  s += " digits(lsf)";
  for (std::int32_t i = 1; i <= x.Words[0] && i <= TvlPoint::Capacity; ++i) {
    s += ' ';
    s += std::to_string(x.Words[static_cast<std::size_t>(i)]);
  }
  return s;
}

inline bool IsNormalForm(const TvlPoint& x) {
  const std::int32_t len = x.Words[0];
  if (len < 0 || len > TvlPoint::Capacity) return false;
  for (std::int32_t i = 1; i <= len; ++i) {
    const std::int32_t d = x.Words[static_cast<std::size_t>(i)];
    if (d < 0 || d > 0xFFFF) return false;
  }
  return len == 0 || x.Words[static_cast<std::size_t>(len)] != 0;
}

// x is in normal form and has the value of expected.
inline ::testing::AssertionResult SameValue(const TvlPoint& x, const BIGNUM* expected) {
  if (!IsNormalForm(x)) {
    return ::testing::AssertionFailure() << "not in normal form: " << Describe(x);
  }
  BnPtr actual = ToBignum(x);
  if (BN_cmp(actual.get(), expected) != 0) {
    return ::testing::AssertionFailure()
           << "value " << Hex(actual.get()) << ", expected " << Hex(expected);
  }
  return ::testing::AssertionSuccess();
}

// Random operands in normal form with 0..maxDigits digits. A quarter of the digits are 0 and
// a quarter 0xFFFF, to reach long carry and borrow chains; the words above L are filled with
// junk so that an operation reading them as digits shows up.
class RandomVl {
 public:
  explicit RandomVl(std::uint64_t seed) : rng_(seed) {}

  std::uint32_t Below(std::uint32_t bound) {
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(rng_);
  }

  std::int32_t Digit() {
    switch (Below(4)) {
      case 0:
        return 0;
      case 1:
        return 0xFFFF;
      default:
        return static_cast<std::int32_t>(Below(0x10000));
    }
  }

  TvlPoint WithLength(std::int32_t len) {
    TvlPoint x;
    for (std::size_t i = 1; i <= TvlPoint::Capacity; ++i) x.Words[i] = Digit();
    x.Words[0] = len;
    if (len > 0) {
      auto& top = x.Words[static_cast<std::size_t>(len)];
      while (top == 0) top = Digit();
    }
    return x;
  }

  TvlPoint UpTo(std::int32_t maxDigits) {
    return WithLength(static_cast<std::int32_t>(Below(static_cast<std::uint32_t>(maxDigits) + 1)));
  }

 private:
  std::mt19937_64 rng_;
};

}  // namespace eccrypt::testsupport
