#include "tool/fileKind.h"

#include <algorithm>
#include <cctype>

#include "ECCrypt/api.h"
#include "ECCrypt/formats/signatureFile.h"
#include "tool/fileIo.h"
#include "tool/keyText.h"
#include "tool/secretKeyFiles.h"
#include "tool/secure.h"
#include "tool/signatureText.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

TFileKind ClassifyFile(std::string_view start) {
  if (LooksSealed({reinterpret_cast<const std::uint8_t*>(start.data()), start.size()})) {
    return TFileKind::Encrypted;
  }
  if (LooksLikeProtectedKeyFile(start)) return TFileKind::ProtectedKey;
  if (LooksLikeKeyFile(start)) return TFileKind::ClearKey;
  if (formats::LooksLikeSignatureFile(start)) return TFileKind::SignatureFile;
  const std::string trimmed = TrimText(std::string(start));
  if (trimmed.size() > kMaxKeyTextLength) return TFileKind::Other;
  if (trimmed.find(':') != std::string::npos) {
    const TMode mode = SignatureTextMode(trimmed);
    if (ClassifySignature(trimmed, mode) != TSignatureForm::Malformed) {
      return TFileKind::BareSignature;
    }
  }
  try {
    // Any short word is a radix-64 text; a public key is one the component accepts.
    RequireAcceptedPublicKey(ResolvePublicKeyText(trimmed));
    return TFileKind::PublicKey;
  } catch (const TToolError&) {
    return TFileKind::Other;
  }
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

std::string FileKindName(TFileKind kind) {
  switch (kind) {
    case TFileKind::Encrypted:
      return "an eccrypt encrypted file";
    case TFileKind::ProtectedKey:
      return "an eccrypt secret-key file, protected by a pass phrase";
    case TFileKind::ClearKey:
      return "an eccrypt secret-key file, in clear";
    case TFileKind::SignatureFile:
      return "an eccrypt signature file";
    case TFileKind::BareSignature:
      return "a bare signature text";
    case TFileKind::PublicKey:
      return "a public key";
    case TFileKind::Other:
      break;
  }
  return "not a file eccrypt makes";
}

std::string WrongKindMessage(const std::string& name, TFileKind kind, const std::string& expected) {
  if (kind == TFileKind::Other) {
    return name + " is not " + expected + ", nor any other file eccrypt makes";
  }
  return name + " is " + FileKindName(kind) + ", not " + expected;
}

std::string ReadSmallFileNamingKind(const std::string& path, std::size_t limit,
                                    const std::string& what, const std::string& expected) {
  TFileSource source(path);
  TSecretBuffer bytes(std::max(limit, kClassifyBytes) + 1);  // may be a key: wiped
  const std::size_t got = source.Read(bytes.bytes());
  if (got > limit) {
    const std::string_view start(reinterpret_cast<const char*>(bytes.data()),
                                 std::min(got, kClassifyBytes));
    const TFileKind kind = ClassifyFile(start);
    if (kind != TFileKind::Other) {
      throw TToolError(WrongKindMessage(source.Name(), kind, expected),
                       "check that you named the right file");
    }
    throw TToolError("the " + what + " " + source.Name() + " is too large to be one (over " +
                         std::to_string(limit) + " bytes)",
                     "check that you named the right file");
  }
  return std::string(bytes.data(), bytes.data() + got);
}

}  // namespace eccrypt::tool
