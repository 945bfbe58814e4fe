#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"

namespace eccrypt {
namespace {

// An integer from its digits, most significant first (as they are written).
TvlPoint Integer(const std::vector<std::int32_t>& digitsHighFirst) {
  TvlPoint x;
  x.Words[0] = static_cast<std::int32_t>(digitsHighFirst.size());
  for (std::size_t i = 0; i < digitsHighFirst.size(); ++i) {
    x.Words[digitsHighFirst.size() - i] = digitsHighFirst[i];
  }
  return x;
}

// The words that make the value: the length word and the digits it counts.
std::vector<std::int32_t> ValueWords(const TvlPoint& x) {
  return {x.Words.begin(), x.Words.begin() + 1 + x.Words[0]};
}

// Independent encoder: the standard radix-64 code of the same bytes, its characters mapped to
// this system's alphabet by value, a two-byte tail closed by the character of value 0 and a
// one-byte tail by nothing.
std::string ReferenceBase64(const std::string& hex) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  std::string standard(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(standard.data()), bytes.data(),
                          static_cast<int>(bytes.size()));
  standard.resize(static_cast<std::size_t>(n));
  const std::string from = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::string to = "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  if (standard.ends_with("==")) {
    standard.resize(standard.size() - 2);
  } else if (standard.ends_with("=")) {
    standard.back() = from[0];
  }
  for (char& c : standard) c = to[from.find(c)];
  return standard;
}

TEST(TextForms, WorkedExamples) {
  struct Case {
    std::vector<std::int32_t> digits;  // most significant first
    std::string hex, base64, hexBack;
  };
  const std::vector<Case> cases = {
      {{0x1234, 0xABCD}, "1234ABCD", "2XGfnE", "1234ABCD"},
      {{0xABCD}, "ABCD", "ewo+", "ABCD00"},
      {{0x0001, 0x0000}, "00010000", "++2+++", "00010000"},
      {{0x0001}, "0001", "++2+", "000100"},
      {{}, "", "", ""},
  };
  for (const Case& c : cases) {
    const TvlPoint x = Integer(c.digits);
    EXPECT_EQ(IntegerToHex(x), c.hex);
    EXPECT_EQ(HexToBase64(c.hex), c.base64);
    EXPECT_EQ(Base64ToHex(c.base64), c.hexBack);
    TvlPoint back;
    HexToInteger(c.hexBack, back);
    EXPECT_EQ(ValueWords(back), ValueWords(x)) << c.hex;
  }
}

TEST(TextForms, TextsFromElsewhere) {
  struct Case {
    std::string text, hex;
  };
  const std::vector<Case> cases = {
      {"z", "FC"}, {"zz", "FFF0"},     {"zzz", "FFFFC2"},  {"zzzz", "FFFFFF"},    {"-", "04"},
      {"+", ""},   {"++2+", "000100"}, {"!=?*", "000000"}, {"zzzzz", "FFFFFFFC"},
  };
  for (const Case& c : cases) EXPECT_EQ(Base64ToHex(c.text), c.hex) << c.text;
}

TEST(TextForms, LengthsAndRoundTripForEveryLength) {
  std::mt19937 rng(2024);
  std::uniform_int_distribution<std::int32_t> digit(0, 65535), top(1, 65535);
  for (std::int32_t length = 0; length <= TvlPoint::Capacity; ++length) {
    for (int trial = 0; trial < 20; ++trial) {
      TvlPoint x;
      x.Words[0] = length;
      for (std::int32_t k = 1; k <= length; ++k) {
        x.Words[static_cast<std::size_t>(k)] = k == length ? top(rng) : digit(rng);
      }
      const std::string hex = IntegerToHex(x);
      const std::string base64 = HexToBase64(hex);
      ASSERT_EQ(hex.size(), static_cast<std::size_t>(4 * length));
      const std::size_t bytes = static_cast<std::size_t>(2 * length);
      ASSERT_EQ(base64.size(), 4 * (bytes / 3) + (bytes % 3 == 0 ? 0 : bytes % 3 == 1 ? 2 : 4));
      EXPECT_EQ(base64, ReferenceBase64(hex));
      EXPECT_EQ(base64.find('='), std::string::npos);

      TvlPoint fromHex, fromBase64;
      HexToInteger(hex, fromHex);
      HexToInteger(Base64ToHex(base64), fromBase64);
      EXPECT_EQ(ValueWords(fromHex), ValueWords(x));
      EXPECT_EQ(ValueWords(fromBase64), ValueWords(x));
    }
  }
  // A few lengths by name: 15 digits give 60 and 40 characters; 16 give 64 and 44, ending '+'.
  TvlPoint fifteen = Integer(std::vector<std::int32_t>(15, 0x8421));
  EXPECT_EQ(HexToBase64(IntegerToHex(fifteen)).size(), 40u);
  TvlPoint sixteen = Integer(std::vector<std::int32_t>(16, 0x8421));
  EXPECT_EQ(HexToBase64(IntegerToHex(sixteen)).size(), 44u);
  EXPECT_EQ(HexToBase64(IntegerToHex(sixteen)).back(), '+');
}

TEST(TextForms, HexToIntegerEnds) {
  TvlPoint x;
  HexToInteger("ABCD00", x);  // the two characters after the last group are ignored
  EXPECT_EQ(ValueWords(x), (std::vector<std::int32_t>{1, 0xABCD}));
  HexToInteger("ABC", x);
  EXPECT_EQ(x.Words[0], 0);
  HexToInteger("", x);
  EXPECT_EQ(x.Words[0], 0);
  // A leading 0000 group is kept: not normalised, and written back the same.
  HexToInteger("0000ABCD", x);
  EXPECT_EQ(ValueWords(x), (std::vector<std::int32_t>{2, 0xABCD, 0}));
  EXPECT_EQ(IntegerToHex(x), "0000ABCD");
  // Lower-case digits read as upper-case ones; the ignored tail is not examined.
  HexToInteger("abcdEf01zz", x);
  EXPECT_EQ(ValueWords(x), (std::vector<std::int32_t>{2, 0xEF01, 0xABCD}));
  // Digits above the new length keep their leftovers.
  TvlPoint y = Integer({7, 7, 7});
  HexToInteger("0005", y);
  EXPECT_EQ(ValueWords(y), (std::vector<std::int32_t>{1, 5}));
  EXPECT_EQ(y.Words[2], 7);
  EXPECT_EQ(y.Words[3], 7);
}

TEST(TextForms, RejectedTextsLeaveTheTargetUnchanged) {
  const std::string max(76, 'F');
  struct Case {
    std::string text;
    bool tooLong;
  };
  const std::vector<Case> cases = {
      {"12G4", false},
      {"00 1", false},
      {"-001", false},
      {"0x12", false},
      {"ABCD\xC1"
       "BCD",
       false},
      {max + "FFFF", true},
      {std::string(400, '0'), true},
  };
  for (const Case& c : cases) {
    TvlPoint x = Integer({0x1111, 0x2222});
    const std::vector<std::int32_t> before(x.Words.begin(), x.Words.end());
    if (c.tooLong) {
      EXPECT_THROW(HexToInteger(c.text, x), std::length_error) << c.text;
    } else {
      EXPECT_THROW(HexToInteger(c.text, x), std::invalid_argument) << c.text;
    }
    EXPECT_EQ(std::vector<std::int32_t>(x.Words.begin(), x.Words.end()), before);
  }
  // The limit is 19 whole groups; up to three characters more are still ignored.
  TvlPoint x;
  HexToInteger(max + "FFF", x);
  EXPECT_EQ(x.Words[0], 19);
  // A radix-64 text of 52 characters decodes to 78 hex characters and fits; 54 do not.
  HexToInteger(Base64ToHex(std::string(52, 'z')), x);
  EXPECT_EQ(x.Words[0], 19);
  EXPECT_THROW(HexToInteger(Base64ToHex(std::string(54, 'z')), x), std::length_error);
}

TEST(TextForms, HexToBase64OfOddLengthPadsTheLastHalfByteWithZero) {
  EXPECT_EQ(HexToBase64("ABC"), HexToBase64("ABC0"));
  EXPECT_EQ(HexToBase64("1"), HexToBase64("10"));
}

TEST(TextForms, IntegerToHexRefusesInvalidRecords) {
  TvlPoint x;
  x.Words[0] = 20;
  EXPECT_THROW(IntegerToHex(x), std::out_of_range);
  x.Words[0] = -1;
  EXPECT_THROW(IntegerToHex(x), std::out_of_range);
  x = Integer({0x10000});
  EXPECT_THROW(IntegerToHex(x), std::out_of_range);
}

}  // namespace
}  // namespace eccrypt
