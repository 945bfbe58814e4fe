// The lines of signature files of both versions and the values their signatures cover: what
// the reader accepts and refuses, known answers for the version 2 value, and version 1 files
// checked against the digest they name.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ECCrypt/api.h"
#include "support/vectorFile.h"

namespace eccrypt::formats {
namespace {

using Digest = std::array<std::uint8_t, SignedDigestBytes>;

TEST(SignatureFile, ReadsBackWhatItWritesAndNothingElse) {
  SignatureFileFields fields;
  fields.untrustedComment = "anything";
  fields.keyId = "0123456789ABCDEF";
  fields.trustedComment = "file: a.txt, signed 2026-01-01T00:00:00Z";
  fields.signature = "1234:ABCD";
  const std::string text = SignatureFileText(fields);
  ASSERT_EQ(text,
            "eccrypt signature 2\nuntrusted comment: anything\nprehash: sha256\nkey id: "
            "0123456789ABCDEF\ntrusted comment: file: a.txt, signed 2026-01-01T00:00:00Z\n"
            "signature: 1234:ABCD\n");
  auto back = ReadSignatureFile(text);
  ASSERT_TRUE(back) << back.Error().Message();
  EXPECT_EQ(back.Value().version, 2);
  EXPECT_EQ(back.Value().untrustedComment, fields.untrustedComment);
  EXPECT_EQ(back.Value().keyId, fields.keyId);
  EXPECT_EQ(back.Value().trustedComment, fields.trustedComment);
  EXPECT_EQ(back.Value().signature, fields.signature);
  // Carried through a text-mode transfer, or with its last line end dropped by a shell.
  std::string crlf;
  for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(ReadSignatureFile(crlf));
  EXPECT_TRUE(ReadSignatureFile(text.substr(0, text.size() - 1)));

  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string changed = text;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string broken[] = {
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
      "",
  };
  for (const std::string& bad : broken) {
    auto read = ReadSignatureFile(bad);
    ASSERT_FALSE(read) << bad;
    EXPECT_EQ(read.Error().Code(), ErrorCode::Malformed) << bad;
    EXPECT_TRUE(read.Error().Message().starts_with("signature file: ")) << bad;
  }
  auto later = ReadSignatureFile(replaced("eccrypt signature 2", "eccrypt signature 3"));
  ASSERT_FALSE(later);
  EXPECT_EQ(later.Error().Code(), ErrorCode::UnsupportedVersion);
}

TEST(SignatureFile, ReadsVersionOneAsItWasWritten) {
  SignatureFileFields fields;
  fields.version = 1;
  fields.untrustedComment = "old \xe2\x80\xae comment";  // then only C0 and DEL were refused
  fields.digest = DigestV1::Sha1;
  fields.keyId = "0123456789ABCDEF";
  fields.trustedComment = "release";
  fields.signature = "1234:ABCD";
  const std::string text = SignatureFileText(fields);
  ASSERT_TRUE(text.starts_with("eccrypt signature 1\n"));
  auto back = ReadSignatureFile(text);
  ASSERT_TRUE(back) << back.Error().Message();
  EXPECT_EQ(back.Value().version, 1);
  EXPECT_EQ(back.Value().digest, DigestV1::Sha1);
  EXPECT_EQ(back.Value().untrustedComment, fields.untrustedComment);
  EXPECT_EQ(SignatureFileText(back.Value()), text);
  std::string prehashLine = text;
  prehashLine.replace(prehashLine.find("digest: sha1"), 12, "prehash: sha256");
  EXPECT_FALSE(ReadSignatureFile(prehashLine));
}

TEST(SignatureFile, ValueMatchesIndependentlyComputedAnswers) {
  for (const testsupport::TVectorRecord& record :
       testsupport::ReadVectorFile("signatureFileDigest.vec")) {
    const std::string& name = testsupport::Field(record, "name");
    const std::vector<std::uint8_t> value =
        testsupport::BytesFromHex(testsupport::Field(record, "key_value"));
    const std::vector<std::uint8_t> comment =
        testsupport::BytesFromHex(testsupport::Field(record, "comment"));
    const std::vector<std::uint8_t> prehash =
        testsupport::BytesFromHex(testsupport::Field(record, "prehash"));
    const std::vector<std::uint8_t> expected =
        testsupport::BytesFromHex(testsupport::Field(record, "digest"));
    const std::string commentText(comment.begin(), comment.end());
    auto digest = SignedValueOfFields(value, testsupport::Field(record, "prehash_name"),
                                      commentText, prehash);
    ASSERT_TRUE(digest) << name;
    EXPECT_TRUE(
        std::equal(digest.Value().begin(), digest.Value().end(), expected.begin(), expected.end()))
        << name;
    // Leading zero bytes are spelling, not value.
    std::vector<std::uint8_t> padded(3, 0);
    padded.insert(padded.end(), value.begin(), value.end());
    EXPECT_EQ(SignedValueOfFields(padded, "sha256", commentText, prehash).Value(), digest.Value())
        << name;
    // A key that is a point of the group gives the same value through its PublicKey.
    if (auto key = PublicKey::Parse(testsupport::Field(record, "key_hex"))) {
      MessagePrehash whole{};
      std::copy_n(prehash.begin(), whole.size(), whole.begin());
      EXPECT_EQ(SignedValue(key.Value(), commentText, whole).Value(), digest.Value()) << name;
      EXPECT_EQ(PublicKey::Parse(testsupport::Field(record, "key_radix64")).Value(), key.Value());
    }
  }
}

TEST(SignatureFile, ValueSeparatesEveryField) {
  const std::vector<std::uint8_t> key = {0xAC, 0x11, 0xED};
  const std::vector<std::uint8_t> prehash(32, 0x5A);
  const Digest base = SignedValueOfFields(key, "sha256", "release", prehash).Value();
  std::vector<std::uint8_t> otherKey = key;
  otherKey.back() ^= 1;
  std::vector<std::uint8_t> otherPrehash = prehash;
  otherPrehash[31] ^= 1;
  // A byte moved across a field boundary changes the value as much as a changed byte does.
  std::vector<std::uint8_t> longerKey = key;
  longerKey.push_back('s');
  const std::vector<std::uint8_t> shorterPrehash(prehash.begin(), prehash.end() - 1);
  const Digest others[] = {
      SignedValueOfFields(otherKey, "sha256", "release", prehash).Value(),
      SignedValueOfFields(key, "sha512", "release", prehash).Value(),
      SignedValueOfFields(key, "sha256", "releasf", prehash).Value(),
      SignedValueOfFields(key, "sha256", "release", otherPrehash).Value(),
      SignedValueOfFields(longerKey, "ha256", "release", prehash).Value(),
      SignedValueOfFields(key, "sha256r", "elease", prehash).Value(),
      SignedValueOfFields(key, "sha256", "release\x5A", shorterPrehash).Value(),
  };
  for (const Digest& other : others) EXPECT_NE(other, base);
}

TEST(SignatureFile, VersionOneValueCoversTheSignedLinesAndVerifies) {
  const KeyPair key = KeyPair::Generate().Value();
  SignatureFileFields fields;
  fields.version = 1;
  fields.keyId = KeyId(key.PublicKey());
  fields.trustedComment = "one";
  const Digest fileDigest{1, 2, 3};
  const Digest base = SignedValueV1(fields, fileDigest);
  SignatureFileFields other = fields;
  other.trustedComment = "two";
  EXPECT_NE(SignedValueV1(other, fileDigest), base);
  other = fields;
  other.digest = DigestV1::Sha1;
  EXPECT_NE(SignedValueV1(other, fileDigest), base);
  other = fields;
  other.keyId = "0123456789ABCDEE";
  EXPECT_NE(SignedValueV1(other, fileDigest), base);
  other = fields;
  other.untrustedComment = "free";
  EXPECT_EQ(SignedValueV1(other, fileDigest), base);

  // Signed as an earlier signer did, read back and checked.
  fields.signature = SignDigest(base, key.Secret()).Value().ToText(TextForm::Radix64);
  auto read = ReadSignatureFile(SignatureFileText(fields));
  ASSERT_TRUE(read) << read.Error().Message();
  EXPECT_TRUE(VerifySignatureFileV1(read.Value(), fileDigest, key.PublicKey()));
  const Digest otherDigest{1, 2, 4};
  EXPECT_EQ(VerifySignatureFileV1(read.Value(), otherDigest, key.PublicKey()).Error().Code(),
            ErrorCode::BadSignature);
  const KeyPair stranger = KeyPair::Generate().Value();
  EXPECT_EQ(VerifySignatureFileV1(read.Value(), fileDigest, stranger.PublicKey()).Error().Code(),
            ErrorCode::KeyMismatch);
  // Version 1 files are refused by the message interface.
  EXPECT_EQ(VerifyMessagePrehashed({}, SignatureFileText(fields), key.PublicKey()).Error().Code(),
            ErrorCode::UnsupportedVersion);
}

}  // namespace
}  // namespace eccrypt::formats
