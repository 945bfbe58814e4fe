#include "ECCrypt/formats/signatureFile.h"

#include <sodium.h>

#include <algorithm>
#include <vector>

#include "ECCrypt/formats/sodiumStart.h"
#include "ECCrypt/hash/sha256.h"

namespace eccrypt::formats {

namespace {

constexpr std::string_view kFirstLineV2 = "eccrypt signature 2";
constexpr std::string_view kFirstLineV1 = "eccrypt signature 1";
constexpr std::string_view kPrehashName = "sha256";
// BLAKE2b's personalisation for the signed value: 16 bytes.
constexpr std::string_view kPersonal = "eccrypt-sigfile2";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::size_t kKeyIdDigits = 16;
// The labels of the lines after the first, by version.
constexpr std::array<std::string_view, 5> kLabelsV2 = {
    "untrusted comment: ", "prehash: ", "key id: ", "trusted comment: ", "signature: "};
constexpr std::array<std::string_view, 5> kLabelsV1 = {
    "untrusted comment: ", "digest: ", "key id: ", "trusted comment: ", "signature: "};

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Characters a comment may not hold: those that control a terminal or the direction of text.
bool IsControl(std::uint32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The comments version 1 files were written with: at most MaxCommentBytes, no C0 control and
// no DEL.
bool IsCommentV1(std::string_view text) {
  return text.size() <= MaxCommentBytes && std::none_of(text.begin(), text.end(), [](char c) {
           const auto byte = static_cast<unsigned char>(c);
           return byte < 0x20 || byte == 0x7F;
         });
}

bool IsKeyId(std::string_view text) {
  return text.size() == kKeyIdDigits && std::all_of(text.begin(), text.end(), [](char c) {
           return kHexDigits.find(c) != std::string_view::npos;
         });
}

// The lines a version 1 signature covers.
std::string SignedLinesV1(const SignatureFileFields& fields) {
  return "digest: " + std::string(DigestV1Label(fields.digest)) + "\nkey id: " + fields.keyId +
         "\ntrusted comment: " + fields.trustedComment + "\n";
}

Error Malformed(const std::string& what) {
  return Error(ErrorCode::Malformed, "signature file: " + what);
}

}  // namespace

std::string_view DigestV1Label(DigestV1 digest) noexcept {
  return digest == DigestV1::Sha1 ? "sha1" : "sha256/20";
}

bool LooksLikeSignatureFile(std::string_view text) noexcept {
  return text.starts_with(SignatureFilePrefix);
}

bool IsSignatureComment(std::string_view text) noexcept {
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

Result<SignatureFileFields> ReadSignatureFile(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::string_view rest = text; !rest.empty();) {
    // The last line end may be missing ("$(cat FILE)" in a shell drops it); a CR before a line
    // feed comes from a text-mode transfer.
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  if (lines.empty() || !lines[0].starts_with(SignatureFilePrefix)) {
    return Malformed("it does not start with '" + std::string(kFirstLineV2) + "'");
  }
  SignatureFileFields fields;
  if (lines[0] == kFirstLineV2) {
    fields.version = 2;
  } else if (lines[0] == kFirstLineV1) {
    fields.version = 1;
  } else {
    return Error(ErrorCode::UnsupportedVersion,
                 "signature file: a version this library does not know");
  }
  const std::array<std::string_view, 5>& labels = fields.version == 1 ? kLabelsV1 : kLabelsV2;
  if (lines.size() != 1 + labels.size()) {
    return Malformed("it has " + std::to_string(lines.size()) + " lines instead of " +
                     std::to_string(1 + labels.size()));
  }
  std::array<std::string_view, 5> values;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (!lines[i + 1].starts_with(labels[i])) {
      return Malformed("line " + std::to_string(i + 2) + " does not start with '" +
                       std::string(labels[i]) + "'");
    }
    values[i] = lines[i + 1].substr(labels[i].size());
  }
  // Version 2 comments were made by a signer that refuses control characters and direction
  // marks: such a comment is an altered file. Version 1 ones are taken as they were written.
  const auto isComment = fields.version == 1 ? IsCommentV1 : IsSignatureComment;
  if (!isComment(values[0]) || !isComment(values[3])) {
    return Malformed("a comment is too long or holds control characters");
  }
  fields.untrustedComment = values[0];
  fields.trustedComment = values[3];
  if (values[1].empty()) {
    return Malformed(fields.version == 1 ? "its digest line is empty"
                                         : "its prehash line is empty");
  }
  if (fields.version == 1) {
    if (values[1] == DigestV1Label(DigestV1::Sha256Truncated)) {
      fields.digest = DigestV1::Sha256Truncated;
    } else if (values[1] == DigestV1Label(DigestV1::Sha1)) {
      fields.digest = DigestV1::Sha1;
    } else {
      return Malformed("it names an unknown digest '" + std::string(values[1]) + "'");
    }
  } else if (values[1] != kPrehashName) {
    return Malformed("it names an unknown prehash '" + std::string(values[1]) + "'");
  }
  if (values[2].empty()) return Malformed("its key id is empty");
  if (!IsKeyId(values[2])) return Malformed("its key id is not 16 hexadecimal digits");
  fields.keyId = values[2];
  if (values[4].empty()) return Malformed("its signature is empty");
  // One text per signature: the canonical one, in either text form.
  auto signature = Signature::Parse(values[4]);
  if (!signature || (signature.Value().ToText(TextForm::Hex) != values[4] &&
                     signature.Value().ToText(TextForm::Radix64) != values[4])) {
    return Malformed("its signature is not a signature text in canonical form");
  }
  fields.signature = values[4];
  return fields;
}

std::string SignatureFileText(const SignatureFileFields& fields) {
  std::string text(fields.version == 1 ? kFirstLineV1 : kFirstLineV2);
  text += "\nuntrusted comment: " + fields.untrustedComment + "\n";
  if (fields.version == 1)
    return text + SignedLinesV1(fields) + "signature: " + fields.signature + "\n";
  text += "prehash: ";
  text += kPrehashName;
  return text + "\nkey id: " + fields.keyId + "\ntrusted comment: " + fields.trustedComment +
         "\nsignature: " + fields.signature + "\n";
}

Result<std::array<std::uint8_t, SignedDigestBytes>> SignedValue(const PublicKey& key,
                                                                std::string_view trustedComment,
                                                                const MessagePrehash& prehash) {
  return SignedValueOfFields(key.ToBytes(), kPrehashName, trustedComment, prehash);
}

Result<std::array<std::uint8_t, SignedDigestBytes>> SignedValueOfFields(
    std::span<const std::uint8_t> keyValue, std::string_view prehashName,
    std::string_view trustedComment, std::span<const std::uint8_t> prehash) {
  if (auto started = StartSodium(); !started) return started.Error();
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
  field(Bytes(prehashName));
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

std::array<std::uint8_t, SignedDigestBytes> SignedValueV1(
    const SignatureFileFields& fields, std::span<const std::uint8_t, SignedDigestBytes> digest) {
  TSha256 hash;
  hash.Update(Bytes(SignedLinesV1(fields)));
  hash.Update(digest);
  std::array<std::uint8_t, Sha256Bytes> full{};
  hash.Final(full);
  std::array<std::uint8_t, SignedDigestBytes> value{};
  std::copy_n(full.begin(), value.size(), value.begin());
  return value;
}

Result<Signature> SignatureForKey(const SignatureFileFields& fields, const PublicKey& key) {
  const std::string expectedId = KeyId(key);
  if (fields.keyId != expectedId) {
    return Error(ErrorCode::KeyMismatch, "signature file: it names key id " + fields.keyId +
                                             ", not the given key's " + expectedId);
  }
  auto signature = Signature::Parse(fields.signature);
  if (!signature) return Malformed("its signature: " + signature.Error().Message());
  return signature;
}

Result<void> VerifySignatureFileV1(const SignatureFileFields& fields,
                                   std::span<const std::uint8_t, SignedDigestBytes> digest,
                                   const PublicKey& key) {
  if (fields.version != 1) {
    return Error(ErrorCode::InvalidArgument, "VerifySignatureFileV1: not a version 1 file");
  }
  auto signature = SignatureForKey(fields, key);
  if (!signature) return signature.Error();
  return VerifyDigest(SignedValueV1(fields, digest), signature.Value(), key);
}

}  // namespace eccrypt::formats
