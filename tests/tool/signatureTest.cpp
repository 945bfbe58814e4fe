// Signature texts in canonical form and signature files: what the tool makes, what it accepts.
#include <gtest/gtest.h>

#include <string>

#include "ECCrypt/ECCrypt.h"
#include "support/vectorFile.h"
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
  file.digest = TDigestKind::Sha1;
  file.keyId = "0123456789ABCDEF";
  file.trustedComment = "file: a.txt, signed 2026-01-01T00:00:00Z";
  file.signature = "1234:ABCD";
  const std::string text = SignatureFileText(file);
  const TSignatureFile back = ParseSignatureFile(text, "t.sig");
  EXPECT_EQ(back.untrustedComment, file.untrustedComment);
  EXPECT_EQ(back.digest, file.digest);
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
      replaced("eccrypt signature 1", "eccrypt signature 2"),
      replaced("digest: sha1", "digest: md5"),
      replaced("key id: 0123456789ABCDEF", "key id: 0123456789abcdef"),
      replaced("key id: 0123456789ABCDEF", "key id: 0123"),
      replaced("signature: 1234:ABCD", "signature: 00001234:ABCD"),
      replaced("untrusted comment: anything", "comment: anything"),
      replaced("trusted comment: file", "trusted comment: \x01"),
      text + "extra line\n",
      text.substr(text.find('\n') + 1),
  };
  for (const std::string& bad : broken) {
    EXPECT_THROW(ParseSignatureFile(bad, "t.sig"), TToolError) << bad;
  }
}

TEST(SignatureFile, SignedDigestCoversTheSignedLines) {
  TSignatureFile file;
  file.keyId = "0123456789ABCDEF";
  file.trustedComment = "one";
  const TDigest fileDigest{};
  const TDigest base = SignedDigest(file, fileDigest);
  TSignatureFile other = file;
  other.trustedComment = "two";
  EXPECT_NE(SignedDigest(other, fileDigest), base);
  other = file;
  other.digest = TDigestKind::Sha1;
  EXPECT_NE(SignedDigest(other, fileDigest), base);
  other = file;
  other.keyId = "0123456789ABCDEE";
  EXPECT_NE(SignedDigest(other, fileDigest), base);
  other = file;
  other.untrustedComment = "free";
  EXPECT_EQ(SignedDigest(other, fileDigest), base);
}

}  // namespace
}  // namespace eccrypt::tool
