#include "ECCrypt/formats/messageSignature.h"

#include <sodium.h>

#include <algorithm>
#include <vector>

#include "ECCrypt/api/signing.h"
#include "ECCrypt/formats/sodiumStart.h"

namespace eccrypt {

namespace {

constexpr std::string_view kFirstLine = "eccrypt signature 2";
constexpr std::string_view kFirstLineV1 = "eccrypt signature 1";
constexpr std::string_view kPrefix = "eccrypt signature ";
constexpr std::string_view kPrehashName = "sha256";
// BLAKE2b's personalisation for the signed value: 16 bytes.
constexpr std::string_view kPersonal = "eccrypt-sigfile2";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kKeyIdDigits = 16;
constexpr std::array<std::string_view, 5> kLabels = {
    "untrusted comment: ", "prehash: ", "key id: ", "trusted comment: ", "signature: "};

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Characters a comment may not hold: those that control a terminal or the direction of text.
bool IsControl(std::uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// Well-formed UTF-8 (shortest forms, no surrogates, nothing above U+10FFFF) without controls,
// at most MaxCommentBytes long: the comments a signer writes.
bool IsComment(std::string_view text) {
  if (text.size() > MaxCommentBytes) return false;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    std::uint32_t c = lead;
    std::uint32_t least = 0;
    if (lead >= 0x80) {
      if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1Fu, least = 0x80;
      } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0Fu, least = 0x800;
      } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07u, least = 0x10000;
      } else {
        return false;
      }
      if (text.size() - at < length) return false;
      for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return false;
        c = (c << 6) | (next & 0x3Fu);
      }
      if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    }
    if (IsControl(c)) return false;
    at += length;
  }
  return true;
}

// The 20 bytes the signature covers.
Result<std::array<std::uint8_t, SignedDigestBytes>> SignedValue(const PublicKey& key,
                                                                std::string_view trustedComment,
                                                                const MessagePrehash& prehash) {
  if (auto started = formats::StartSodium(); !started) return started.Error();
  std::span<const std::uint8_t> keyValue = key.ToBytes();
  while (!keyValue.empty() && keyValue.front() == 0) keyValue = keyValue.subspan(1);
  std::vector<std::uint8_t> fields;
  const auto field = [&fields](std::span<const std::uint8_t> bytes) {
    const std::uint64_t length = bytes.size();
    for (int shift = 56; shift >= 0; shift -= 8) {
      fields.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    fields.insert(fields.end(), bytes.begin(), bytes.end());
  };
  field(keyValue);
  field(Bytes(kPrehashName));
  field(Bytes(trustedComment));
  field(prehash);
  static_assert(kPersonal.size() == crypto_generichash_blake2b_PERSONALBYTES);
  const std::array<std::uint8_t, crypto_generichash_blake2b_SALTBYTES> salt{};
  std::array<std::uint8_t, SignedDigestBytes> value{};
  if (crypto_generichash_blake2b_salt_personal(value.data(), value.size(), fields.data(),
                                               fields.size(), nullptr, 0, salt.data(),
                                               Bytes(kPersonal).data()) != 0) {
    return Error(ErrorCode::Internal, "BLAKE2b failed in the cryptographic library");
  }
  return value;
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
  if (!IsComment(trustedComment) || !IsComment(options.untrustedComment)) {
    return Error(ErrorCode::Malformed,
                 "comment: longer than 1024 bytes, not UTF-8, or holding a control character "
                 "or a direction mark");
  }
  auto value = SignedValue(key.PublicKey(), trustedComment, prehash);
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
  std::vector<std::string_view> lines;
  for (std::string_view rest = signatureFile; !rest.empty();) {
    // The last line end may be missing ("$(cat FILE)" in a shell drops it); a CR before a line
    // feed comes from a text-mode transfer.
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  if (lines.empty() || !lines[0].starts_with(kPrefix)) {
    return Malformed("it does not start with '" + std::string(kFirstLine) + "'");
  }
  if (lines[0] == kFirstLineV1) {
    return Error(ErrorCode::UnsupportedVersion,
                 "signature file: version 1, whose signatures are not accepted here: sign the "
                 "message again");
  }
  if (lines[0] != kFirstLine) return Malformed("a version this library does not know");
  if (lines.size() != 1 + kLabels.size()) {
    return Malformed("it has " + std::to_string(lines.size()) + " lines instead of " +
                     std::to_string(1 + kLabels.size()));
  }
  std::array<std::string_view, kLabels.size()> values;
  for (std::size_t i = 0; i < kLabels.size(); ++i) {
    if (!lines[i + 1].starts_with(kLabels[i])) {
      return Malformed("line " + std::to_string(i + 2) + " does not start with '" +
                       std::string(kLabels[i]) + "'");
    }
    values[i] = lines[i + 1].substr(kLabels[i].size());
  }
  if (!IsComment(values[0]) || !IsComment(values[3])) {
    return Malformed("a comment is too long or holds control characters");
  }
  if (values[1] != kPrehashName) return Malformed("an unknown prehash");
  const std::string_view keyId = values[2];
  if (keyId.size() != kKeyIdDigits || !std::all_of(keyId.begin(), keyId.end(), [](char c) {
        return kHexDigits.find(c) != std::string_view::npos;
      })) {
    return Malformed("its key id is not 16 upper-case hexadecimal digits");
  }
  auto signature = Signature::Parse(values[4]);
  if (!signature) return Malformed("its signature: " + signature.Error().Message());
  if (signature.Value().ToText(TextForm::Hex) != values[4] &&
      signature.Value().ToText(TextForm::Radix64) != values[4]) {
    return Malformed("its signature is not in canonical form");
  }
  const std::string expectedId = KeyId(key);
  if (keyId != expectedId) {
    return Error(ErrorCode::KeyMismatch, "signature file: it names key id " + std::string(keyId) +
                                             ", not the given key's " + expectedId);
  }
  auto value = SignedValue(key, values[3], prehash);
  if (!value) return value.Error();
  if (auto verified = VerifyDigest(value.Value(), signature.Value(), key); !verified) {
    return verified.Error();
  }
  return VerifiedMessage{std::string(values[3]), std::string(values[0]), std::string(keyId)};
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
