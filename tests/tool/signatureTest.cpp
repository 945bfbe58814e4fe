// Signature texts in canonical form: what the tool accepts; comments as shown and as signed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"
#include "support/vectorFile.h"
#include "tool/displayText.h"
#include "tool/signatureText.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {
namespace {

// n, the group order, as the tool writes it: whole groups of four hexadecimal digits.
std::string OrderHex() {
  const std::string hex =
      testsupport::Field(testsupport::ReadSingleVector("groupOrder.vec"), "hex");
  return std::string((4 - hex.size() % 4) % 4, '0') + hex;
}

TEST(SignatureText, ClassifiesEverySpellingOfOneNumber) {
  const std::string n = OrderHex();
  const std::string nMinus1 = n.substr(0, n.size() - 1) + "0";
  struct {
    std::string text;
    TSignatureForm form;
  } const cases[] = {
      {"1234:ABCD", TSignatureForm::Canonical},
      {"1234:" + nMinus1, TSignatureForm::Canonical},
      {"1234:" + n, TSignatureForm::ComponentRange},  // s = n: congruent to 0, as made unreduced
      {"1234:FFFF" + std::string(64, 'F'), TSignatureForm::ComponentRange},  // 2^272 - 1
      {"1234:0001" + std::string(68, '0'), TSignatureForm::Malformed},       // 2^272
      {n + ":1234", TSignatureForm::Malformed},                              // r = n
      {"00001234:ABCD", TSignatureForm::Malformed},                          // leading zero group
      {"1234:0000ABCD", TSignatureForm::Malformed},
      {":ABCD", TSignatureForm::Malformed},
      {"1234:", TSignatureForm::Malformed},
      {"0000:ABCD", TSignatureForm::Malformed},  // r = 0
      {"1234ABCD", TSignatureForm::Malformed},
      {"123:ABCD", TSignatureForm::Malformed},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassifySignature(c.text, TMode::Hex), c.form) << c.text;
    // The same numbers in radix-64 are classified alike.
    const std::size_t colon = c.text.find(':');
    if (colon == std::string::npos || c.text.substr(0, colon).size() % 4 != 0) continue;
    const std::string radix64 =
        ConvertTextForm(c.text.substr(0, colon), TMode::Hex, TMode::Base64) + ":" +
        ConvertTextForm(c.text.substr(colon + 1), TMode::Hex, TMode::Base64);
    EXPECT_EQ(ClassifySignature(radix64, TMode::Base64), c.form) << radix64;
  }
  // Another radix-64 spelling of 1234:ABCD (pending bits after the last character) is refused.
  ASSERT_EQ(ClassifySignature("2XE+:ewo+", TMode::Base64), TSignatureForm::Canonical);
  EXPECT_EQ(ClassifySignature("2XE:ewo+", TMode::Base64), TSignatureForm::Malformed);
  EXPECT_EQ(SignatureTextMode("2XE+:ewo+"), TMode::Base64);
  EXPECT_EQ(SignatureTextMode("1234:ABCD"), TMode::Hex);
}

TEST(SignatureText, ComponentSignaturesAreComponentRangeAndTheirCanonicalFormVerifies) {
  for (const TMode mode : {TMode::Base64, TMode::Hex}) {
    TEllipticCurve curve;
    curve.SetIOMode(mode);
    curve.SetPassPhrase("a pass phrase for the canonical signature test");
    curve.MakeKey();
    std::array<std::uint8_t, 20> digest{};
    digest[3] = 7;
    for (int round = 0; round < 4; ++round) {
      curve.Sign(digest);
      ASSERT_NE(ClassifySignature(curve.Signature(), mode), TSignatureForm::Malformed);
      // The library keeps s reduced: its text of the signature is the canonical one.
      const auto parsed = Signature::Parse(curve.Signature());
      ASSERT_TRUE(parsed);
      const std::string canonical =
          parsed.Value().ToText(mode == TMode::Hex ? TextForm::Hex : TextForm::Radix64);
      EXPECT_EQ(ClassifySignature(canonical, mode), TSignatureForm::Canonical);
      curve.SetSignature(canonical);
      curve.Verify(digest);
      EXPECT_TRUE(curve.Valid()) << canonical;
      digest[0] = 1;
      curve.Verify(digest);
      EXPECT_FALSE(curve.Valid());
      digest[0] = 0;
    }
  }
}

TEST(DisplayText, EscapesEveryControlAndDirectionCharacterInOneForm) {
  struct {
    std::string text;
    std::string shown;
    bool plain;  // acceptable as a new comment
  } const cases[] = {
      {"release 1.0, file: a b.txt", "release 1.0, file: a b.txt", true},
      {"Gr\xc3\xbc\xc3\x9f\x65 \xe2\x80\x93 \xf0\x9f\x94\x91",
       "Gr\xc3\xbc\xc3\x9f\x65 \xe2\x80\x93 \xf0\x9f\x94\x91",
       true},                        // letters, a dash and a four-byte character pass
      {"a\\x1b", "a\\\\x1b", true},  // a backslash is escaped, so an escape cannot be faked
      {"x\nGood signature\x1b[8m", "x\\x0aGood signature\\x1b[8m", false},
      {std::string("\0\t\r\x7f", 4), "\\x00\\x09\\x0d\\x7f", false},
      {"\xc2\x80\xc2\x9b\xc2\x9f\xc2\xa0", "\\u0080\\u009b\\u009f\xc2\xa0",
       false},                         // C1; U+00A0 passes
      {"\x9b[2J", "\\x9b[2J", false},  // C1 as a single byte
      {"\xe2\x80\xaa\xe2\x80\xae\xe2\x81\xa6\xe2\x81\xa9", "\\u202a\\u202e\\u2066\\u2069", false},
      {"\xe2\x80\x8e\xe2\x80\x8f\xd8\x9c\xe2\x80\xa8\xe2\x80\xa9",
       "\\u200e\\u200f\\u061c\\u2028\\u2029", false},
      {"\xe2\x80\xad\xe2\x80\xaf", "\\u202d\xe2\x80\xaf", false},  // U+202F is a space, not a mark
      // Not UTF-8: overlong forms, surrogates, beyond U+10FFFF, cut sequences, stray bytes.
      {"\xc0\xaf\xe0\x80\xaf", "\\xc0\\xaf\\xe0\\x80\\xaf", false},
      {"\xed\xa0\x80", "\\xed\\xa0\\x80", false},
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80", false},
      {"ab\xe2\x80", "ab\\xe2\\x80", false},
      {"\xff\xfe", "\\xff\\xfe", false},
      {"", "", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DisplayText(c.text), c.shown) << c.shown;
    EXPECT_EQ(IsPlainText(c.text), c.plain) << c.shown;
    EXPECT_EQ(formats::IsSignatureComment(c.text), c.plain) << c.shown;
  }
}

}  // namespace
}  // namespace eccrypt::tool
