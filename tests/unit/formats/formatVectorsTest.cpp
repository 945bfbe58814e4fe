// The formats' known-answer vectors (tests/vectors/sealedData.vec, keyFile.vec,
// signatureFile.vec): what the library's readers give for stored bytes, or the error they must
// give, so that a change to a reader, and another implementation's reader, can be checked
// against the same pinned files.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "ECCrypt/api.h"
#include "support/vectorFile.h"

namespace eccrypt {
namespace {

using testsupport::BytesFromHex;
using testsupport::Field;
using testsupport::ReadVectorFile;
using testsupport::TVectorRecord;

std::string TextFromHex(const std::string& hex) {
  const std::vector<std::uint8_t> bytes = BytesFromHex(hex);
  return {bytes.begin(), bytes.end()};
}

std::vector<std::uint8_t> ExpectedPlaintext(const TVectorRecord& record) {
  if (record.contains("plaintext")) return BytesFromHex(Field(record, "plaintext"));
  const std::size_t size = std::stoul(Field(record, "plaintext_pattern"));
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
  return bytes;
}

// Sealed data opened by the streaming opener, fed in uneven pieces.
Result<std::vector<std::uint8_t>> OpenInPieces(std::span<const std::uint8_t> sealed,
                                               const SecretKey& key) {
  auto opener = Opener::Create(key);
  if (!opener) return opener.Error();
  std::vector<std::uint8_t> out;
  for (std::size_t at = 0, piece = 1; at < sealed.size(); at += piece, piece = piece * 3 + 1) {
    piece = std::min(piece, sealed.size() - at);
    if (auto updated = opener.Value().Update(sealed.subspan(at, piece), out); !updated) {
      return updated.Error();
    }
  }
  if (auto finished = opener.Value().Finish(out); !finished) return finished.Error();
  return out;
}

// Each record either opens to its plaintext or fails with its error, in memory and (binary
// records) through the streaming opener.
TEST(FormatVectors, SealedDataOpensOrFailsAsPinned) {
  for (const TVectorRecord& record : ReadVectorFile("sealedData.vec")) {
    SCOPED_TRACE(Field(record, "name"));
    const auto secret = SecretKey::Parse(Field(record, "secret_key"));
    ASSERT_TRUE(secret) << secret.Error().Message();
    const auto publicKey = secret.Value().DerivePublicKey();
    ASSERT_TRUE(publicKey);
    EXPECT_EQ(publicKey.Value(), PublicKey::Parse(Field(record, "public_key")).Value());
    const std::vector<std::uint8_t> sealed = BytesFromHex(Field(record, "sealed"));

    const bool armoured = !sealed.empty() && sealed.front() == '-';
    for (const bool streamed : {false, true}) {
      if (streamed && armoured) continue;
      SCOPED_TRACE(streamed ? "streamed" : "in memory");
      const auto opened =
          streamed ? OpenInPieces(sealed, secret.Value()) : Open(sealed, secret.Value());
      if (record.contains("error")) {
        ASSERT_FALSE(opened);
        EXPECT_EQ(ErrorCodeName(opened.Error().Code()), Field(record, "error"))
            << opened.Error().Message();
        continue;
      }
      ASSERT_TRUE(opened) << opened.Error().Message();
      EXPECT_EQ(opened.Value(), ExpectedPlaintext(record));
    }
  }
}

TEST(FormatVectors, KeyFilesHoldThePinnedKeys) {
  for (const TVectorRecord& record : ReadVectorFile("keyFile.vec")) {
    SCOPED_TRACE(Field(record, "name"));
    const std::string file = TextFromHex(Field(record, "file"));
    const auto pair = KeyPair::FromKeyFile(file, Field(record, "phrase"));
    ASSERT_TRUE(pair) << pair.Error().Message();
    const TextForm form = Field(record, "public").size() == 64 ? TextForm::Hex : TextForm::Radix64;
    EXPECT_EQ(pair.Value().PublicKey().ToText(form), Field(record, "public"));
    EXPECT_EQ(pair.Value().Secret().ExportText(form), Field(record, "secret"));

    const auto wrong = KeyPair::FromKeyFile(file, Field(record, "phrase") + "!");
    ASSERT_FALSE(wrong);
    EXPECT_EQ(wrong.Error().Code(), ErrorCode::WrongPassPhrase);
  }
}

TEST(FormatVectors, SignatureFilesVerifyOrFailAsPinned) {
  for (const TVectorRecord& record : ReadVectorFile("signatureFile.vec")) {
    SCOPED_TRACE(Field(record, "name"));
    const auto key = PublicKey::Parse(Field(record, "public"));
    ASSERT_TRUE(key) << key.Error().Message();
    const auto verified = VerifyMessage(BytesFromHex(Field(record, "message")),
                                        TextFromHex(Field(record, "file")), key.Value());
    if (record.contains("error")) {
      ASSERT_FALSE(verified);
      EXPECT_EQ(ErrorCodeName(verified.Error().Code()), Field(record, "error"))
          << verified.Error().Message();
      continue;
    }
    ASSERT_TRUE(verified) << verified.Error().Message();
    EXPECT_EQ(verified.Value().trustedComment, Field(record, "trusted_comment"));
    EXPECT_EQ(verified.Value().keyId, Field(record, "key_id"));
  }
}

}  // namespace
}  // namespace eccrypt
