#include "ECCrypt/text/base64.h"

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/text/charMasks.h"

namespace eccrypt {
namespace {

// The character of value & 63, computed rather than looked up (see charMasks.h).
char Character(unsigned value) {
  return textct::Radix64Char(value & 63u);
}

void AppendHex2(std::string& out, unsigned byte) {
  out += textct::HexDigitChar((byte >> 4) & 15u);
  out += textct::HexDigitChar(byte & 15u);
}

}  // namespace

TBase64::~TBase64() {
  WipeText(Output);
  SecureWipe(&Carry, sizeof Carry);
  SecureWipe(&LastValue, sizeof LastValue);
}

void TBase64::Reset() {
  Phase = 0;
  WipeText(Output);
}

void TBase64::EncodeByte(std::uint8_t b) {
  switch (Phase) {
    case 0:
      Output += Character(b / 4u);
      Carry = b;
      break;
    case 1:
      Output += Character((Carry % 4u) * 16u + b / 16u);
      Carry = b;
      break;
    default:
      Output += Character((Carry % 16u) * 4u + b / 64u);
      Output += Character(b % 64u);
      break;
  }
  Phase = Phase == 2 ? 0 : Phase + 1;
}

std::string TBase64::FinishEncode() {
  if (Phase != 0) EncodeByte(0);
  return Output;
}

void TBase64::DecodeChar(char c) {
  const unsigned v = CharValue(c);
  switch (Phase) {
    case 0:
      Carry = static_cast<std::uint8_t>(v * 4u);
      break;
    case 1:
      LastValue = static_cast<std::uint8_t>(v);
      AppendHex2(Output, Carry | (v / 16u));
      Carry = static_cast<std::uint8_t>(v * 16u);
      break;
    case 2:
      LastValue = static_cast<std::uint8_t>(v);
      AppendHex2(Output, Carry | (v / 4u));
      Carry = static_cast<std::uint8_t>(v * 64u);
      break;
    default:
      LastValue = static_cast<std::uint8_t>(v);
      AppendHex2(Output, Carry | v);
      Carry = 0;
      break;
  }
  Phase = Phase == 3 ? 0 : Phase + 1;
}

std::string TBase64::FinishDecode() {
  // The test is on Carry alone: pending bits that happen to be zero are dropped. It decides the
  // length of the result, the one thing here that depends on the characters' values; the
  // integer forms (Base64ToInteger) make the same decision with masks.
  if (Carry != 0) DecodeChar('0');
  return Output;
}

std::uint8_t TBase64::CharValue(char c) {
  // '+' and every character outside the alphabet are 0.
  return static_cast<std::uint8_t>(textct::Radix64Value(static_cast<unsigned char>(c)));
}

}  // namespace eccrypt
