#include "tool/signatureFile.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "tool/displayText.h"
#include "tool/keyId.h"
#include "tool/labelledLines.h"
#include "tool/signatureText.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

constexpr std::string_view kSignatureFilePrefix = "eccrypt signature ";

// The labels of the lines after the first, by version.
constexpr std::array<std::string_view, 5> kFieldsV1 = {
    "untrusted comment: ", "digest: ", "key id: ", "trusted comment: ", "signature: "};
constexpr std::array<std::string_view, 5> kFieldsV2 = {
    "untrusted comment: ", "prehash: ", "key id: ", "trusted comment: ", "signature: "};

// The lines a version 1 signature covers.
std::string SignedLinesV1(const TSignatureFile& file) {
  return std::string("digest: ") + DigestLabel(file.digest) + "\nkey id: " + file.keyId +
         "\ntrusted comment: " + file.trustedComment + "\n";
}

bool IsKeyId(std::string_view text) {
  return text.size() == kKeyIdLength && std::all_of(text.begin(), text.end(), [](char c) {
           return kHexDigits.find(c) != std::string_view::npos;
         });
}

// The comments version 1 files were written with: one line, no C0 control and no DEL.
bool IsCommentTextV1(std::string_view text) {
  return text.size() <= kMaxCommentLength && std::none_of(text.begin(), text.end(), [](char c) {
           const auto byte = static_cast<unsigned char>(c);
           return byte < 0x20 || byte == 0x7F;
         });
}

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::string SignatureFileFirstLine(int version) {
  return std::string(kSignatureFilePrefix) + std::to_string(version);
}

bool LooksLikeSignatureFile(std::string_view text) {
  return text.starts_with(kSignatureFilePrefix);
}

std::optional<std::string> ForeignSignatureFormat(std::string_view text) {
  if (text.starts_with("-----BEGIN SSH SIGNATURE-----")) return "an SSH signature";
  if (text.starts_with("-----BEGIN PGP SIGNATURE-----")) return "an OpenPGP signature";
  // A comment line, then the signature as one line of base64.
  constexpr std::string_view kComment = "untrusted comment:";
  if (!text.starts_with(kComment)) return std::nullopt;
  const std::size_t lineEnd = text.find('\n');
  if (lineEnd == std::string_view::npos) return std::nullopt;
  std::string_view next = text.substr(lineEnd + 1);
  next = next.substr(0, next.find('\n'));
  if (next.ends_with('\r')) next.remove_suffix(1);
  const bool base64 =
      next.size() >= 16 && std::all_of(next.begin(), next.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '/' || c == '=';
      });
  if (!base64) return std::nullopt;
  if (text.substr(kComment.size()).starts_with(" verify with ")) {
    return "an 'untrusted comment: verify with ...' line, then a line of base64";
  }
  return "an 'untrusted comment:' line, then a line of base64";
}

bool IsCommentText(std::string_view text) {
  return text.size() <= kMaxCommentLength && IsPlainText(text);
}

const char* DigestLabel(TDigestKind kind) {
  return kind == TDigestKind::Sha1 ? "sha1" : "sha256/20";
}

std::string SignatureFileText(const TSignatureFile& file) {
  const std::string head =
      SignatureFileFirstLine(file.version) + "\nuntrusted comment: " + file.untrustedComment + "\n";
  if (file.version == 1) return head + SignedLinesV1(file) + "signature: " + file.signature + "\n";
  return head + "prehash: " + std::string(kPrehashName) + "\nkey id: " + file.keyId +
         "\ntrusted comment: " + file.trustedComment + "\nsignature: " + file.signature + "\n";
}

TSignatureFile ParseSignatureFile(std::string_view text, const std::string& name) {
  const auto malformed = [&](const std::string& what) {
    return TToolError("the signature file " + name + " is malformed: " + what,
                      "give the file that 'eccrypt sign' wrote, unchanged");
  };
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    // The last line end may be missing: "$(cat FILE)" in a shell drops it.
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);  // carried through a text-mode transfer
    lines.push_back(line);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  const std::string current = SignatureFileFirstLine(kSignatureFileVersion);
  if (lines.empty() || !lines[0].starts_with(kSignatureFilePrefix)) {
    throw malformed("it does not start with '" + current + "'");
  }
  TSignatureFile file;
  if (lines[0] == current) {
    file.version = kSignatureFileVersion;
  } else if (lines[0] == SignatureFileFirstLine(1)) {
    file.version = 1;
  } else {
    throw TToolError("the signature file " + name + " is of a format this eccrypt does not know (" +
                         std::string(lines[0]) + ")",
                     "check it with a newer eccrypt");
  }
  const std::array<std::string_view, 5>& fields = file.version == 1 ? kFieldsV1 : kFieldsV2;
  if (lines.size() != 1 + fields.size()) {
    throw malformed("it has " + std::to_string(lines.size()) + " lines instead of " +
                    std::to_string(1 + fields.size()));
  }
  const std::array<std::string_view, 5> values = LabelledValues(lines, fields, malformed);

  // Version 2 comments were made by a signer that refuses control characters and direction
  // marks: such a comment is an altered file. Version 1 ones are taken as they were written.
  const auto isComment = file.version == 1 ? IsCommentTextV1 : IsCommentText;
  if (!isComment(values[0]) || !isComment(values[3])) {
    throw malformed("a comment is too long or holds control characters");
  }
  file.untrustedComment = values[0];
  file.trustedComment = values[3];
  if (values[1].empty()) {
    throw malformed(file.version == 1 ? "its digest line is empty" : "its prehash line is empty");
  }
  if (file.version == 1) {
    if (values[1] == DigestLabel(TDigestKind::Sha256Truncated)) {
      file.digest = TDigestKind::Sha256Truncated;
    } else if (values[1] == DigestLabel(TDigestKind::Sha1)) {
      file.digest = TDigestKind::Sha1;
    } else {
      throw malformed("it names an unknown digest '" + std::string(values[1]) + "'");
    }
  } else if (values[1] != kPrehashName) {
    throw malformed("it names an unknown prehash '" + std::string(values[1]) + "'");
  }
  if (values[2].empty()) throw malformed("its key id is empty");
  if (!IsKeyId(values[2])) throw malformed("its key id is not 16 hexadecimal digits");
  file.keyId = values[2];
  if (values[4].empty()) throw malformed("its signature is empty");
  file.signature = values[4];
  if (ClassifySignature(file.signature, SignatureTextMode(file.signature)) !=
      TSignatureForm::Canonical) {
    throw malformed("its signature is not a signature text in canonical form");
  }
  return file;
}

TDigest SignatureFileDigest(std::span<const std::uint8_t> publicKeyValue,
                            std::string_view prehashName, std::string_view trustedComment,
                            std::span<const std::uint8_t> prehash) {
  static_assert(kSignatureFilePersonal.size() == crypto_generichash_blake2b_PERSONALBYTES);
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  while (!publicKeyValue.empty() && publicKeyValue.front() == 0) {
    publicKeyValue = publicKeyValue.subspan(1);  // the number, not its spelling
  }
  std::vector<std::uint8_t> message;
  const auto field = [&message](std::span<const std::uint8_t> bytes) {
    const std::uint64_t length = bytes.size();
    for (int shift = 56; shift >= 0; shift -= 8) {
      message.push_back(static_cast<std::uint8_t>(length >> shift));
    }
    message.insert(message.end(), bytes.begin(), bytes.end());
  };
  field(publicKeyValue);
  field(Bytes(prehashName));
  field(Bytes(trustedComment));
  field(prehash);
  const std::array<std::uint8_t, crypto_generichash_blake2b_SALTBYTES> salt{};
  TDigest digest{};
  if (crypto_generichash_blake2b_salt_personal(digest.data(), digest.size(), message.data(),
                                               message.size(), nullptr, 0, salt.data(),
                                               Bytes(kSignatureFilePersonal).data()) != 0) {
    throw TToolError("BLAKE2b failed in the cryptographic library");
  }
  return digest;
}

TDigest SignedDigestV1(const TSignatureFile& file, const TDigest& fileDigest) {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  const std::string lines = SignedLinesV1(file);
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(lines.data()),
                            lines.size());
  crypto_hash_sha256_update(&state, fileDigest.data(), fileDigest.size());
  std::array<unsigned char, crypto_hash_sha256_BYTES> full{};
  crypto_hash_sha256_final(&state, full.data());
  TDigest digest{};
  std::copy_n(full.begin(), digest.size(), digest.begin());
  return digest;
}

}  // namespace eccrypt::tool
