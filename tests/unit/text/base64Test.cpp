#include "ECCrypt/text/base64.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace eccrypt {
namespace {

TEST(Base64Codec, CharValueFollowsTheAlphabetAndMapsOthersToZero) {
  const std::string alphabet = TBase64::Alphabet;
  ASSERT_EQ(alphabet.size(), 64u);
  for (std::size_t i = 0; i < alphabet.size(); ++i) {
    EXPECT_EQ(TBase64::CharValue(alphabet[i]), i) << alphabet[i];
  }
  for (char c : std::string("=/ \n\0\x7f\x80\xff.", 10)) {
    EXPECT_EQ(TBase64::CharValue(c), 0) << static_cast<int>(c);
  }
}

TEST(Base64Codec, EncoderStateFollowsThePhases) {
  TBase64 codec;
  codec.EncodeByte(0x12);
  EXPECT_EQ(codec.Phase, 1);
  EXPECT_EQ(codec.Carry, 0x12);
  EXPECT_EQ(codec.Output, "2");
  codec.EncodeByte(0x34);
  codec.EncodeByte(0xAB);
  EXPECT_EQ(codec.Phase, 0);
  EXPECT_EQ(codec.Carry, 0x34);  // phase 2 leaves Carry alone
  EXPECT_EQ(codec.Output, "2XGf");
  EXPECT_EQ(codec.FinishEncode(), "2XGf");  // nothing pending, nothing added
  codec.Reset();
  EXPECT_EQ(codec.Phase, 0);
  EXPECT_EQ(codec.Output, "");
}

// Every one-byte tail gives two characters, the second one of + E U k, and decodes back to the
// byte alone; every two-byte tail gives four characters ending in '+'.
TEST(Base64Codec, TailsOfOneAndTwoBytes) {
  for (int b = 0; b < 256; ++b) {
    TBase64 enc;
    enc.EncodeByte(static_cast<std::uint8_t>(b));
    const std::string text = enc.FinishEncode();
    ASSERT_EQ(text.size(), 2u);
    EXPECT_NE(std::string("+EUk").find(text[1]), std::string::npos) << text;
    TBase64 dec;
    for (char c : text) dec.DecodeChar(c);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", b);
    EXPECT_EQ(dec.FinishDecode(), hex);

    TBase64 enc2;
    enc2.EncodeByte(static_cast<std::uint8_t>(b));
    enc2.EncodeByte(static_cast<std::uint8_t>(255 - b));
    const std::string text2 = enc2.FinishEncode();
    ASSERT_EQ(text2.size(), 4u);
    EXPECT_EQ(text2.back(), '+');
  }
}

TEST(Base64Codec, DecoderFlushesPendingBitsWithTheCharacterZero) {
  TBase64 codec;
  codec.DecodeChar('z');
  codec.DecodeChar('z');
  codec.DecodeChar('z');
  EXPECT_EQ(codec.Phase, 3);
  EXPECT_EQ(codec.LastValue, 63);
  EXPECT_EQ(codec.Carry, 0xC0);
  EXPECT_EQ(codec.FinishDecode(), "FFFFC2");  // 0xC0 or the value 2 of '0'
  // Pending bits that are all zero are dropped, whatever the phase.
  TBase64 quiet;
  quiet.DecodeChar('+');
  EXPECT_EQ(quiet.FinishDecode(), "");
}

}  // namespace
}  // namespace eccrypt
