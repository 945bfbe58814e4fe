#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// TBase64: the radix-64 codec of the system's text forms.
//
// Alphabet, value i being the character at position i:
//   "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
// Three bytes, most significant bit first, make four characters. There is no fill character:
// a one-byte tail gives two characters, a two-byte tail four (the last always '+'), as if a zero
// byte had completed the group. Decoding accepts any text: a character outside the alphabet
// counts as '+' (0), and pending bits at the end are flushed by decoding one more '0' character
// (value 2). These end rules are part of the stored format and must not change.
//
// A codec is used for one direction only: EncodeByte ... FinishEncode, or DecodeChar ...
// FinishDecode.
//
// Characters and values are converted by arithmetic, not tables, and the phases follow the
// position alone: constant time in the bytes and characters, except that FinishDecode's one
// extra byte depends on the pending bits (the length of the result).
//
// The bytes may be those of a secret key: Output is wiped by Reset and when the codec is
// destroyed, and Carry and LastValue are cleared then too.
#include <cstdint>
#include <string>

namespace eccrypt {

class TBase64 {
 public:
  static constexpr char Alphabet[] =
      "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

  TBase64() { Reset(); }
  TBase64(const TBase64&) = default;
  TBase64& operator=(const TBase64&) = default;
  ~TBase64();

  std::int32_t Phase = 0;      // position in the group: 0..2 encoding, 0..3 decoding
  std::string Output;          // radix-64 characters (encoding) or hex digits (decoding)
  std::uint8_t Carry = 0;      // encoding: the previous byte; decoding: high bits of the next byte
  std::uint8_t LastValue = 0;  // decoding: the value of the latest character

  // Phase := 0 and Output := empty (its old characters wiped); Carry and LastValue are left as
  // they are.
  void Reset();

  void EncodeByte(std::uint8_t b);
  // Completes a partial group with a zero byte; returns Output.
  std::string FinishEncode();

  void DecodeChar(char c);
  // If bits are pending (Carry not 0), decodes one more '0'; returns Output.
  std::string FinishDecode();

  // 0..63 for characters of the alphabet, 0 for every other character.
  static std::uint8_t CharValue(char c);
};

}  // namespace eccrypt
