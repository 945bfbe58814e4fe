#include "tool/libraryKeys.h"

#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

TextForm FormOf(TMode mode) {
  return mode == TMode::Hex ? TextForm::Hex : TextForm::Radix64;
}

void CanonicalHex(std::string_view text, TMode mode, std::string& hex) {
  hex = ConvertTextForm(text, mode, TMode::Hex);
  std::size_t zeros = 0;
  while (hex.compare(zeros, 4, "0000") == 0) zeros += 4;
  hex.erase(0, zeros);
}

PublicKey LibraryPublicKey(std::string_view text, TMode mode, const std::string& source) {
  std::string hex;
  CanonicalHex(text, mode, hex);
  auto key = PublicKey::Parse(hex);
  if (!key) {
    throw TToolError(
        "the public key" + source + " is not a key of this system (" + key.Error().Message() + ")",
        "give the text that 'eccrypt keygen' or 'eccrypt pubkey' printed");
  }
  return key.Value();
}

std::string KeyIdOf(std::string_view publicKey, TMode mode) {
  return KeyId(LibraryPublicKey(publicKey, mode));
}

formats::SignatureFileFields ReadSignatureFileNamed(std::string_view text,
                                                    const std::string& name) {
  auto read = formats::ReadSignatureFile(text);
  if (read) return std::move(read).Value();
  if (read.Error().Code() == ErrorCode::UnsupportedVersion) {
    std::string_view first = text.substr(0, text.find('\n'));
    if (first.ends_with('\r')) first.remove_suffix(1);
    throw TToolError("the signature file " + name + " is of a format this eccrypt does not know (" +
                         std::string(first) + ")",
                     "check it with a newer eccrypt");
  }
  std::string what = read.Error().Message();
  constexpr std::string_view kPrefix = "signature file: ";
  if (what.starts_with(kPrefix)) what.erase(0, kPrefix.size());
  throw TToolError("the signature file " + name + " is malformed: " + what,
                   "give the file that 'eccrypt sign' wrote, unchanged");
}

TDigestKind DigestKindOf(formats::DigestV1 digest) {
  return digest == formats::DigestV1::Sha1 ? TDigestKind::Sha1 : TDigestKind::Sha256Truncated;
}

}  // namespace eccrypt::tool
