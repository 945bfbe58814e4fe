#include "ECCrypt/formats/messageSignature.h"

#include "ECCrypt/api/signing.h"
#include "ECCrypt/formats/signatureFile.h"

namespace eccrypt {

namespace {

constexpr std::string_view kFirstLine = "eccrypt signature 2";
constexpr std::string_view kFirstLineV1 = "eccrypt signature 1";
constexpr std::string_view kPrehashName = "sha256";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kKeyIdDigits = 16;

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

Error RefusedVersion1() {
  return Error(ErrorCode::UnsupportedVersion,
               "signature file: version 1, whose signatures are not accepted here: sign the "
               "message again");
}

Error Malformed(const std::string& what) {
  return Error(ErrorCode::Malformed, "signature file: " + what);
}

MessagePrehash HashOf(std::span<const std::uint8_t> message) {
  TSha256 hash;
  hash.Update(message);
  MessagePrehash prehash{};
  hash.Final(prehash);
  return prehash;
}

}  // namespace

std::string KeyId(const PublicKey& key) {
  const std::string message = "eccrypt key id\n" + key.ToText(TextForm::Hex);
  TSha256 hash;
  hash.Update(Bytes(message));
  MessagePrehash digest{};
  hash.Final(digest);
  std::string id;
  for (std::size_t i = 0; i < kKeyIdDigits / 2; ++i) {
    id.push_back(kHexDigits[digest[i] >> 4]);
    id.push_back(kHexDigits[digest[i] & 15]);
  }
  return id;
}

Result<std::string> SignMessagePrehashed(const MessagePrehash& prehash, const KeyPair& key,
                                         std::string_view trustedComment,
                                         const SignMessageOptions& options) {
  if (!formats::IsSignatureComment(trustedComment) ||
      !formats::IsSignatureComment(options.untrustedComment)) {
    return Error(ErrorCode::Malformed,
                 "comment: longer than 1024 bytes, not UTF-8, or holding a control character "
                 "or a direction mark");
  }
  auto value = formats::SignedValue(key.PublicKey(), trustedComment, prehash);
  if (!value) return value.Error();
  auto signature = SignDigest(value.Value(), key.Secret());
  if (!signature) return signature.Error();
  std::string text(kFirstLine);
  text += "\nuntrusted comment: ";
  text += options.untrustedComment;
  text += "\nprehash: ";
  text += kPrehashName;
  text += "\nkey id: " + KeyId(key.PublicKey()) + "\ntrusted comment: ";
  text += trustedComment;
  text += "\nsignature: " + signature.Value().ToText(options.form) + "\n";
  return text;
}

Result<std::string> SignMessage(std::span<const std::uint8_t> message, const KeyPair& key,
                                std::string_view trustedComment,
                                const SignMessageOptions& options) {
  return SignMessagePrehashed(HashOf(message), key, trustedComment, options);
}

Result<VerifiedMessage> VerifyMessagePrehashed(const MessagePrehash& prehash,
                                               std::string_view signatureFile,
                                               const PublicKey& key) {
  // Version 1 is refused as such, whatever its other lines hold.
  std::string_view first = signatureFile.substr(0, signatureFile.find('\n'));
  if (first.ends_with('\r')) first.remove_suffix(1);
  if (first == kFirstLineV1) return RefusedVersion1();
  auto read = formats::ReadSignatureFile(signatureFile);
  if (!read) {
    if (read.Error().Code() == ErrorCode::UnsupportedVersion) {
      return Malformed("a version this library does not know");
    }
    return read.Error();
  }
  const formats::SignatureFileFields& fields = read.Value();
  if (fields.version != 2) return RefusedVersion1();
  auto signature = formats::SignatureForKey(fields, key);
  if (!signature) return signature.Error();
  auto value = formats::SignedValue(key, fields.trustedComment, prehash);
  if (!value) return value.Error();
  if (auto verified = VerifyDigest(value.Value(), signature.Value(), key); !verified) {
    return verified.Error();
  }
  return VerifiedMessage{fields.trustedComment, fields.untrustedComment, fields.keyId};
}

Result<VerifiedMessage> VerifyMessage(std::span<const std::uint8_t> message,
                                      std::string_view signatureFile, const PublicKey& key) {
  return VerifyMessagePrehashed(HashOf(message), signatureFile, key);
}

Result<std::string> MessageSigner::Finish(const KeyPair& key, std::string_view trustedComment,
                                          const SignMessageOptions& options) {
  if (finished_) return Error(ErrorCode::InvalidArgument, "MessageSigner: already finished");
  finished_ = true;
  MessagePrehash prehash{};
  hash_.Final(prehash);
  return SignMessagePrehashed(prehash, key, trustedComment, options);
}

Result<VerifiedMessage> MessageVerifier::Finish(std::string_view signatureFile,
                                                const PublicKey& key) {
  if (finished_) return Error(ErrorCode::InvalidArgument, "MessageVerifier: already finished");
  finished_ = true;
  MessagePrehash prehash{};
  hash_.Final(prehash);
  return VerifyMessagePrehashed(prehash, signatureFile, key);
}

}  // namespace eccrypt
