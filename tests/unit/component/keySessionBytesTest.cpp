// KeySessionBytes: the session key as 32 bytes, most significant first, held against the hex
// text of the same key, in both text forms, and refused for texts that are no such integer.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"
#include "support/componentSupport.h"

namespace eccrypt::testsupport {
namespace {

using Bytes = std::array<std::uint8_t, 32>;

// The bytes as 64 upper-case hex digits.
std::string HexOf(const Bytes& bytes) {
  std::string text;
  for (std::uint8_t b : bytes) {
    text += HexDigitChars[b >> 4];
    text += HexDigitChars[b & 0xF];
  }
  return text;
}

using KeySessionBytesTest = ComponentTest;

TEST_F(KeySessionBytesTest, AgreedKeyReadsAsItsHexTextInEitherForm) {
  // One key pair; the sender works in hex, the receiver in radix-64.
  TEllipticCurve sender, receiver;
  sender.SetIOMode(TMode::Hex);
  sender.SetPassPhrase("session bytes");
  sender.MakeKey();
  receiver.SetIOMode(TMode::Base64);
  receiver.SetPassPhrase("session bytes");
  receiver.MakeKey();
  sender.Encrypt();
  receiver.SetExchangedValue(HexToBase64(sender.ExchangedValue()));
  receiver.Decrypt();
  ASSERT_TRUE(receiver.Valid());

  Bytes fromHex{}, fromBase64{};
  ASSERT_TRUE(sender.KeySessionBytes(fromHex));
  ASSERT_TRUE(receiver.KeySessionBytes(fromBase64));
  EXPECT_EQ(fromHex, fromBase64);
  const std::string& text = sender.KeySession();
  ASSERT_LE(text.size(), 64u);
  EXPECT_EQ(HexOf(fromHex), std::string(64 - text.size(), '0') + text);
  EXPECT_LT(fromHex[0], 0x80) << "the session key is below 2^255";
}

TEST_F(KeySessionBytesTest, ByteOrderAndRefusals) {
  struct Case {
    std::string text;
    bool ok;
    std::string hex;  // the bytes' last digits, when ok (the rest zero)
  };
  const std::string top16 = "8001" + std::string(56, '0') + "00FF";
  const Case cases[] = {
      {"00010203", true, "00010203"},  // digit 2 then digit 1: bytes 28..31
      {"ABCD", true, "ABCD"},
      {"abcd", true, "ABCD"},                      // lower case reads as upper case
      {"0000" + top16, true, top16},               // 17 groups led by zeros: the same value
      {top16, true, top16},                        // every byte used
      {"0001" + std::string(64, '0'), false, ""},  // 2^256: does not fit
      {"", false, ""},                             // no session key
      {"00G0", false, ""},                         // no hex digit
      {std::string(20 * 4, '1'), false, ""},       // longer than an integer holds
  };
  for (const Case& c : cases) {
    TEllipticCurve component;
    component.SetIOMode(TMode::Hex);
    component.SetKeySession(c.text);
    Bytes bytes;
    bytes.fill(0x5A);
    EXPECT_EQ(component.KeySessionBytes(bytes), c.ok) << c.text;
    const std::string expected =
        c.ok ? std::string(64 - c.hex.size(), '0') + c.hex : std::string(64, '0');
    EXPECT_EQ(HexOf(bytes), expected) << c.text;
    EXPECT_EQ(component.KeySession(), c.text) << "KeySessionBytes changed the property";
  }
}

}  // namespace
}  // namespace eccrypt::testsupport
