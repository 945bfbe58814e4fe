// The text forms of secret values, read and written with the characters or the digits secret:
// hexadecimal and radix-64, canonical texts and texts whose last characters leave pending bits
// (the radix-64 end rule). Only the lengths may steer the run.
#include <stdexcept>
#include <string>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"
#include "ctcheck/ctcheck.h"

namespace eccrypt::ctcheck {
namespace {

using Reader = void (*)(std::string_view, TvlPoint&);
using Writer = std::string (*)(const TvlPoint&);

// Reads text with its characters secret and writes the integer back with its digits secret;
// both must give what they give without the marks.
bool RoundTrip(Reader read, Writer write, const std::string& text) {
  TvlPoint expected;
  read(text, expected);
  const std::string expectedText = write(expected);

  const std::string secret = text;
  PoisonText(secret);
  TvlPoint value;
  read(secret, value);
  DeclassifyInteger(value);
  bool ok = Expect(value.Words == expected.Words, "reading as without marks");

  PoisonDigits(value);
  const std::string written = write(value);
  DeclassifyText(written);
  ok = Expect(written == expectedText, "writing as without marks") && ok;
  return ok;
}

// The reading refuses text, with its characters secret, as it does without the marks.
bool Refuses(Reader read, const std::string& text) {
  const std::string secret = text;
  PoisonText(secret);
  TvlPoint value;
  try {
    read(secret, value);
  } catch (const std::length_error&) {
    return true;
  }
  return Expect(false, "the text is refused");
}

bool Hex() {
  // A secret key, a session key, and a text with characters after its last whole group.
  return RoundTrip(HexToInteger, IntegerToHex,
                   "E0F005A35E95C1A17901B26FCDFC21E99608FFCC5742C2EA30F6CF21E805") &&
         RoundTrip(HexToInteger, IntegerToHex,
                   "0A6f09c5D1e2b3A4958677869504132231405968778695a4b3c2d1e0F9a8b7c6") &&
         RoundTrip(HexToInteger, IntegerToHex, "00ABcdef123");
}

bool Base64() {
  // A secret key (whole groups), a session key (a two-byte tail), tails of two and three
  // characters whose pending bits are not zero, one of them making a 19th digit and one a 20th,
  // which is refused.
  return RoundTrip(Base64ToInteger, IntegerToBase64, "sD+3cpuJkO3t+P7jnTkVuNM6zwlLEg9eADPD6SU3") &&
         RoundTrip(Base64ToInteger, IntegerToBase64,
                   "f-5h6gLAxJkGSzXcRIAKvBNObLDkY7QeNMCNhk+0Ka++") &&
         RoundTrip(Base64ToInteger, IntegerToBase64, "Zz09az") &&
         RoundTrip(Base64ToInteger, IntegerToBase64, "Zz09azA") &&
         RoundTrip(Base64ToInteger, IntegerToBase64,
                   "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX") &&
         Refuses(Base64ToInteger, "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-");
}

constexpr TCase Cases[] = {
    {"text.hex", Hex},
    {"text.base64", Base64},
};

}  // namespace

std::span<const TCase> TextCases() {
  return Cases;
}

}  // namespace eccrypt::ctcheck
