#include "tool/signatureFile.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <vector>

#include "tool/keyId.h"
#include "tool/labelledLines.h"
#include "tool/signatureText.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

constexpr std::string_view kSignatureFilePrefix = "eccrypt signature ";

// The lines the signature covers.
std::string SignedLines(const TSignatureFile& file) {
  return std::string("digest: ") + DigestLabel(file.digest) + "\nkey id: " + file.keyId +
         "\ntrusted comment: " + file.trustedComment + "\n";
}

bool IsKeyId(std::string_view text) {
  return text.size() == kKeyIdLength && std::all_of(text.begin(), text.end(), [](char c) {
           return kHexDigits.find(c) != std::string_view::npos;
         });
}

}  // namespace

bool LooksLikeSignatureFile(std::string_view text) {
  return text.starts_with(kSignatureFilePrefix);
}

bool IsCommentText(std::string_view text) {
  return text.size() <= kMaxCommentLength && std::none_of(text.begin(), text.end(), [](char c) {
           const auto byte = static_cast<unsigned char>(c);
           return byte < 0x20 || byte == 0x7F;
         });
}

const char* DigestLabel(TDigestKind kind) {
  return kind == TDigestKind::Sha1 ? "sha1" : "sha256/20";
}

std::string SignatureFileText(const TSignatureFile& file) {
  return std::string(kSignatureFileFirstLine) + "\nuntrusted comment: " + file.untrustedComment +
         "\n" + SignedLines(file) + "signature: " + file.signature + "\n";
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
  if (lines.empty() || !lines[0].starts_with(kSignatureFilePrefix)) {
    throw malformed("it does not start with '" + std::string(kSignatureFileFirstLine) + "'");
  }
  if (lines[0] != kSignatureFileFirstLine) {
    throw TToolError("the signature file " + name + " is of a format this eccrypt does not know (" +
                         std::string(lines[0]) + ")",
                     "check it with a newer eccrypt");
  }
  static constexpr std::array<std::string_view, 5> kFields = {
      "untrusted comment: ", "digest: ", "key id: ", "trusted comment: ", "signature: "};
  if (lines.size() != 1 + kFields.size()) {
    throw malformed("it has " + std::to_string(lines.size()) + " lines instead of " +
                    std::to_string(1 + kFields.size()));
  }
  const std::array<std::string_view, kFields.size()> values =
      LabelledValues(lines, kFields, malformed);

  TSignatureFile file;
  if (!IsCommentText(values[0]) || !IsCommentText(values[3])) {
    throw malformed("a comment is too long or holds control characters");
  }
  file.untrustedComment = values[0];
  file.trustedComment = values[3];
  if (values[1] == DigestLabel(TDigestKind::Sha256Truncated)) {
    file.digest = TDigestKind::Sha256Truncated;
  } else if (values[1] == DigestLabel(TDigestKind::Sha1)) {
    file.digest = TDigestKind::Sha1;
  } else {
    throw malformed("it names an unknown digest '" + std::string(values[1]) + "'");
  }
  if (!IsKeyId(values[2])) throw malformed("its key id is not 16 hexadecimal digits");
  file.keyId = values[2];
  file.signature = values[4];
  if (ClassifySignature(file.signature, SignatureTextMode(file.signature)) !=
      TSignatureForm::Canonical) {
    throw malformed("its signature is not a signature text in canonical form");
  }
  return file;
}

TDigest SignedDigest(const TSignatureFile& file, const TDigest& fileDigest) {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  const std::string lines = SignedLines(file);
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
