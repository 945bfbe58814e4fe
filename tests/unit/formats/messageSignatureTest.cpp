// Signature files made and checked by the library: round trips, every part the signature binds,
// the forms a signature file may take in transit, the stored file the tool made, and the
// streaming and prehashed forms giving the same answers.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ECCrypt/api.h"

namespace eccrypt {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes AsBytes(std::string_view text) {
  return {text.begin(), text.end()};
}

KeyPair NewKeyPair() {
  return KeyPair::Generate().Value();
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(MessageSignature, SignedMessageVerifiesWithItsCommentsAndKeyId) {
  const KeyPair key = NewKeyPair();
  const Bytes message = AsBytes("release 1.0\n");
  auto file = SignMessage(message, key, "release 1.0 approved", {.untrustedComment = "by me"});
  ASSERT_TRUE(file) << file.Error().Message();
  EXPECT_TRUE(file.Value().starts_with("eccrypt signature 2\nuntrusted comment: by me\n"));
  auto verified = VerifyMessage(message, file.Value(), key.PublicKey());
  ASSERT_TRUE(verified) << verified.Error().Message();
  EXPECT_EQ(verified.Value().trustedComment, "release 1.0 approved");
  EXPECT_EQ(verified.Value().untrustedComment, "by me");
  EXPECT_EQ(verified.Value().keyId, KeyId(key.PublicKey()));

  // Hexadecimal signature line, an empty message and empty comments.
  auto hex = SignMessage({}, key, {}, {.untrustedComment = {}, .form = TextForm::Hex});
  ASSERT_TRUE(hex);
  EXPECT_TRUE(VerifyMessage({}, hex.Value(), key.PublicKey()));
}

TEST(MessageSignature, EveryBoundPartChangedIsRefusedWithItsReason) {
  const KeyPair key = NewKeyPair();
  const KeyPair other = NewKeyPair();
  const Bytes message = AsBytes("pay 10 to bob");
  const std::string file = SignMessage(message, key, "approved").Value();
  const std::string otherFile = SignMessage(message, other, "approved").Value();
  const std::string otherSignature = otherFile.substr(otherFile.find("signature: "));

  struct Case {
    const char* what;
    Bytes message;
    std::string file;
    ErrorCode code;
  };
  const Case cases[] = {
      {"changed message", AsBytes("pay 99 to bob"), file, ErrorCode::BadSignature},
      {"changed trusted comment", message,
       Replace(file, "trusted comment: approved", "trusted comment: approvee"),
       ErrorCode::BadSignature},
      {"another key's signature", message,
       file.substr(0, file.find("signature: ")) + otherSignature, ErrorCode::BadSignature},
      {"another key's file", message, otherFile, ErrorCode::KeyMismatch},
      {"version 1", message, Replace(file, "signature 2", "signature 1"),
       ErrorCode::UnsupportedVersion},
      {"unknown version", message, Replace(file, "signature 2", "signature 3"),
       ErrorCode::Malformed},
      {"not a signature file", message, "hello\n", ErrorCode::Malformed},
      {"empty", message, "", ErrorCode::Malformed},
      {"other prehash", message, Replace(file, "prehash: sha256", "prehash: sha1"),
       ErrorCode::Malformed},
      {"a line missing", message, Replace(file, "prehash: sha256\n", ""), ErrorCode::Malformed},
      {"a line added", message, file + "more\n", ErrorCode::Malformed},
      {"lower-case key id", message,
       Replace(file, "key id: " + KeyId(key.PublicKey()), "key id: " + std::string(16, 'a')),
       ErrorCode::Malformed},
      {"control character in a comment", message,
       Replace(file, "trusted comment: approved", "trusted comment: appr\x1b[8moved"),
       ErrorCode::Malformed},
      {"signature without its separator", message,
       file.substr(0, file.find("signature: ")) + "signature: ABCD\n", ErrorCode::Malformed},
  };
  for (const Case& c : cases) {
    auto verified = VerifyMessage(c.message, c.file, key.PublicKey());
    ASSERT_FALSE(verified) << c.what;
    EXPECT_EQ(verified.Error().Code(), c.code) << c.what << ": " << verified.Error().Message();
  }

  // The untrusted comment is not bound, and is reported as it now stands.
  auto changed = VerifyMessage(
      message, Replace(file, "untrusted comment: ", "untrusted comment: X"), key.PublicKey());
  ASSERT_TRUE(changed);
  EXPECT_EQ(changed.Value().untrustedComment, "X");
}

TEST(MessageSignature, TransitFormsVerify) {
  const KeyPair key = NewKeyPair();
  const Bytes message = AsBytes("text");
  const std::string file = SignMessage(message, key, "c").Value();
  std::string crlf;
  for (const char c : file) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(VerifyMessage(message, crlf, key.PublicKey()));  // a text-mode transfer
  EXPECT_TRUE(VerifyMessage(message, file.substr(0, file.size() - 1), key.PublicKey()));  // $(cat)
}

TEST(MessageSignature, CommentsASignerRefuses) {
  const KeyPair key = NewKeyPair();
  for (const std::string& comment : {std::string("a\nb"),
                                     std::string("\xe2\x80\xae"
                                                 "evil"),
                                     std::string("\xc3"), std::string(MaxCommentBytes + 1, 'x')}) {
    auto file = SignMessage({}, key, comment);
    ASSERT_FALSE(file);
    EXPECT_EQ(file.Error().Code(), ErrorCode::Malformed);
    EXPECT_FALSE(SignMessage({}, key, "ok", {.untrustedComment = comment}));
  }
  EXPECT_TRUE(SignMessage({}, key, std::string(MaxCommentBytes, 'x')));
  EXPECT_TRUE(SignMessage({}, key, "caf\xc3\xa9 \xe2\x9c\x93"));  // UTF-8 text
}

TEST(MessageSignature, StreamingAndPrehashedFormsAgreeWithTheWholeMessage) {
  const KeyPair key = NewKeyPair();
  Bytes message(200000);
  for (std::size_t i = 0; i < message.size(); ++i) message[i] = static_cast<std::uint8_t>(i * 7);
  MessageSigner signer;
  for (std::size_t at = 0; at < message.size(); at += 65537) {
    signer.Update(
        std::span(message).subspan(at, std::min<std::size_t>(65537, message.size() - at)));
  }
  const std::string file = signer.Finish(key, "streamed").Value();
  EXPECT_FALSE(signer.Finish(key, "again"));
  EXPECT_TRUE(VerifyMessage(message, file, key.PublicKey()));

  MessageVerifier verifier;
  verifier.Update(std::span(message).first(1));
  verifier.Update(std::span(message).subspan(1));
  EXPECT_TRUE(verifier.Finish(file, key.PublicKey()));
  EXPECT_FALSE(verifier.Finish(file, key.PublicKey()));

  MessagePrehash prehash{};
  TSha256 hash;
  hash.Update(message);
  hash.Final(prehash);
  EXPECT_TRUE(VerifyMessagePrehashed(prehash, file, key.PublicKey()));
  prehash[0] ^= 1;
  EXPECT_EQ(VerifyMessagePrehashed(prehash, file, key.PublicKey()).Error().Code(),
            ErrorCode::BadSignature);
}

std::string ReadStored(const std::string& name) {
  std::ifstream in(std::string(ECCRYPT_TEST_VECTOR_DIR) + "/../tool/data/" + name,
                   std::ios::binary);
  EXPECT_TRUE(in) << name;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(MessageSignature, TheStoredSignatureFileMadeByTheToolVerifies) {
  const std::string pub = ReadStored("v2.pub");
  auto key = PublicKey::Parse(pub.substr(0, pub.find('\n')));
  ASSERT_TRUE(key);
  EXPECT_EQ(KeyId(key.Value()), "94FA8A26E6B2B5D5");
  const std::string text = ReadStored("v2.txt");
  auto verified = VerifyMessage(AsBytes(text), ReadStored("sigfile2.sig"), key.Value());
  ASSERT_TRUE(verified) << verified.Error().Message();
  EXPECT_EQ(verified.Value().trustedComment, "stored sample, signature file version 2");
  EXPECT_EQ(
      VerifyMessage(AsBytes(text + "x"), ReadStored("sigfile2.sig"), key.Value()).Error().Code(),
      ErrorCode::BadSignature);
}

}  // namespace
}  // namespace eccrypt
