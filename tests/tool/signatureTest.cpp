// Signature texts in canonical form and signature files: what the tool makes, what it accepts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "support/vectorFile.h"
#include "tool/displayText.h"
#include "tool/keyId.h"
#include "tool/signatureFile.h"
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

TEST(SignatureText, CanonicalFormOfComponentSignaturesStillVerifies) {
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
      const auto canonical = CanonicalSignature(curve.Signature(), mode);
      ASSERT_TRUE(canonical.has_value());
      EXPECT_EQ(ClassifySignature(*canonical, mode), TSignatureForm::Canonical);
      curve.SetSignature(*canonical);
      curve.Verify(digest);
      EXPECT_TRUE(curve.Valid()) << *canonical;
      digest[0] = 1;
      curve.Verify(digest);
      EXPECT_FALSE(curve.Valid());
      digest[0] = 0;
    }
  }
}

TEST(SignatureFile, ReadsBackWhatItWritesAndNothingElse) {
  TSignatureFile file;
  file.untrustedComment = "anything";
  file.keyId = "0123456789ABCDEF";
  file.trustedComment = "file: a.txt, signed 2026-01-01T00:00:00Z";
  file.signature = "1234:ABCD";
  const std::string text = SignatureFileText(file);
  ASSERT_EQ(text,
            "eccrypt signature 2\nuntrusted comment: anything\nprehash: sha256\nkey id: "
            "0123456789ABCDEF\ntrusted comment: file: a.txt, signed 2026-01-01T00:00:00Z\n"
            "signature: 1234:ABCD\n");
  const TSignatureFile back = ParseSignatureFile(text, "t.sig");
  EXPECT_EQ(back.version, 2);
  EXPECT_EQ(back.untrustedComment, file.untrustedComment);
  EXPECT_EQ(back.keyId, file.keyId);
  EXPECT_EQ(back.trustedComment, file.trustedComment);
  EXPECT_EQ(back.signature, file.signature);
  // Carried through a text-mode transfer, or with its last line end dropped by a shell.
  std::string crlf;
  for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ParseSignatureFile(crlf, "t.sig").signature, file.signature);
  EXPECT_EQ(ParseSignatureFile(text.substr(0, text.size() - 1), "t.sig").signature, file.signature);

  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = text;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string broken[] = {
      replaced("eccrypt signature 2", "eccrypt signature 3"),
      replaced("prehash: sha256", "prehash: sha1"),
      replaced("prehash: sha256", "prehash: sha256/20"),
      replaced("prehash: sha256", "digest: sha256/20"),  // a version 1 line
      replaced("prehash: sha256", "prehash: "),
      replaced("key id: 0123456789ABCDEF", "key id: "),
      replaced("key id: 0123456789ABCDEF", "key id: 0123456789abcdef"),
      replaced("key id: 0123456789ABCDEF", "key id: 0123"),
      replaced("signature: 1234:ABCD", "signature: "),
      replaced("signature: 1234:ABCD", "signature: 00001234:ABCD"),
      replaced("untrusted comment: anything", "comment: anything"),
      replaced("trusted comment: file", "trusted comment: \x01"),
      replaced("trusted comment: file", "trusted comment: \xc2\x9b"),      // U+009B
      replaced("trusted comment: file", "trusted comment: \xe2\x80\xae"),  // U+202E
      replaced("untrusted comment: any", "untrusted comment: \x9b"),       // no UTF-8
      replaced("trusted comment: file", "trusted comment: " + std::string(1025, 'x')),
      text + "extra line\n",
      text.substr(text.find('\n') + 1),
  };
  for (const std::string& bad : broken) {
    EXPECT_THROW(ParseSignatureFile(bad, "t.sig"), TToolError) << bad;
  }
}

TEST(SignatureFile, ReadsVersionOneAsItWasWritten) {
  TSignatureFile file;
  file.version = 1;
  file.untrustedComment = "old \xe2\x80\xae comment";  // comments then had only C0 and DEL refused
  file.digest = TDigestKind::Sha1;
  file.keyId = "0123456789ABCDEF";
  file.trustedComment = "release";
  file.signature = "1234:ABCD";
  const std::string text = SignatureFileText(file);
  ASSERT_TRUE(text.starts_with("eccrypt signature 1\n"));
  const TSignatureFile back = ParseSignatureFile(text, "t.sig");
  EXPECT_EQ(back.version, 1);
  EXPECT_EQ(back.digest, TDigestKind::Sha1);
  EXPECT_EQ(back.untrustedComment, file.untrustedComment);
  EXPECT_EQ(SignatureFileText(back), text);
  std::string prehashLine = text;
  prehashLine.replace(prehashLine.find("digest: sha1"), 12, "prehash: sha256");
  EXPECT_THROW(ParseSignatureFile(prehashLine, "t.sig"), TToolError);
}

TEST(SignatureFile, DigestMatchesIndependentlyComputedValues) {
  for (const testsupport::TVectorRecord& record :
       testsupport::ReadVectorFile("signatureFileDigest.vec")) {
    const std::string& name = testsupport::Field(record, "name");
    const std::vector<std::uint8_t> value =
        testsupport::BytesFromHex(testsupport::Field(record, "key_value"));
    // Both text forms of the key give one value.
    EXPECT_EQ(PublicKeyValue(testsupport::Field(record, "key_hex"), TMode::Hex), value) << name;
    EXPECT_EQ(PublicKeyValue(testsupport::Field(record, "key_radix64"), TMode::Base64), value)
        << name;
    const std::vector<std::uint8_t> comment =
        testsupport::BytesFromHex(testsupport::Field(record, "comment"));
    const std::vector<std::uint8_t> prehash =
        testsupport::BytesFromHex(testsupport::Field(record, "prehash"));
    const std::vector<std::uint8_t> expected =
        testsupport::BytesFromHex(testsupport::Field(record, "digest"));
    const std::string commentText(comment.begin(), comment.end());
    const TDigest digest = SignatureFileDigest(value, testsupport::Field(record, "prehash_name"),
                                               commentText, prehash);
    EXPECT_TRUE(std::equal(digest.begin(), digest.end(), expected.begin(), expected.end())) << name;
    // Leading zero bytes are spelling, not value.
    std::vector<std::uint8_t> padded(3, 0);
    padded.insert(padded.end(), value.begin(), value.end());
    EXPECT_EQ(SignatureFileDigest(padded, kPrehashName, commentText, prehash), digest) << name;
  }
}

TEST(SignatureFile, DigestSeparatesEveryField) {
  const std::vector<std::uint8_t> key = {0xAC, 0x11, 0xED};
  const std::vector<std::uint8_t> prehash(32, 0x5A);
  const TDigest base = SignatureFileDigest(key, "sha256", "release", prehash);
  std::vector<std::uint8_t> otherKey = key;
  otherKey.back() ^= 1;
  std::vector<std::uint8_t> otherPrehash = prehash;
  otherPrehash[31] ^= 1;
  // A byte moved across a field boundary changes the value as much as a changed byte does.
  std::vector<std::uint8_t> longerKey = key;
  longerKey.push_back('s');
  const std::vector<std::uint8_t> shorterPrehash(prehash.begin(), prehash.end() - 1);
  const TDigest others[] = {
      SignatureFileDigest(otherKey, "sha256", "release", prehash),
      SignatureFileDigest(key, "sha512", "release", prehash),
      SignatureFileDigest(key, "sha256", "releasf", prehash),
      SignatureFileDigest(key, "sha256", "release", otherPrehash),
      SignatureFileDigest(longerKey, "ha256", "release", prehash),
      SignatureFileDigest(key, "sha256r", "elease", prehash),
      SignatureFileDigest(key, "sha256", "release\x5A", shorterPrehash),
  };
  for (const TDigest& other : others) EXPECT_NE(other, base);
}

TEST(SignatureFile, VersionOneDigestCoversTheSignedLines) {
  TSignatureFile file;
  file.version = 1;
  file.keyId = "0123456789ABCDEF";
  file.trustedComment = "one";
  const TDigest fileDigest{};
  const TDigest base = SignedDigestV1(file, fileDigest);
  TSignatureFile other = file;
  other.trustedComment = "two";
  EXPECT_NE(SignedDigestV1(other, fileDigest), base);
  other = file;
  other.digest = TDigestKind::Sha1;
  EXPECT_NE(SignedDigestV1(other, fileDigest), base);
  other = file;
  other.keyId = "0123456789ABCDEE";
  EXPECT_NE(SignedDigestV1(other, fileDigest), base);
  other = file;
  other.untrustedComment = "free";
  EXPECT_EQ(SignedDigestV1(other, fileDigest), base);
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
    EXPECT_EQ(IsCommentText(c.text), c.plain) << c.shown;
  }
}

}  // namespace
}  // namespace eccrypt::tool
