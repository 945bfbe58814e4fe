// eccrypt sign and eccrypt verify.
#include <ctime>
#include <ostream>
#include <span>

#include "tool/commands.h"
#include "tool/consoleIo.h"
#include "tool/fileIo.h"
#include "tool/keyFile.h"
#include "tool/keyId.h"
#include "tool/keyText.h"
#include "tool/outputFile.h"
#include "tool/protectedKey.h"
#include "tool/signatureFile.h"
#include "tool/signatureText.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// The component's signer leaves s unreduced; the tool publishes the canonical text only. A
// reduction that gives s = 0 (probability about 2^-240) is answered by signing again.
std::string SignCanonical(const TKeyFile& key, const TDigest& digest, const std::string& keyFile) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    TEllipticCurve curve;
    curve.SetIOMode(key.mode);
    curve.SetKeySecret(key.secretKey.str());
    curve.Sign(digest);
    if (curve.Signature().empty()) {
      throw TToolError("signing failed: the secret key in " + keyFile + " was refused",
                       "recreate the key file with 'eccrypt keygen'");
    }
    if (auto canonical = CanonicalSignature(curve.Signature(), key.mode)) return *canonical;
  }
  throw TToolError("signing failed: the component gave no usable signature");
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

void WriteText(TOutputFile& output, const std::string& text, TConsole& console) {
  if (output.IsStandardOutput()) {  // through the console, as every result
    output.RefuseFileRead();
    console.out << text;
    FlushChecked(console.out, "standard output");
    return;
  }
  output.Write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                             text.size()));
  output.Commit();
}

TOutputRules SignatureRules(const TSignOptions& options, const TFileSource& input) {
  TOutputRules rules;
  rules.mode = 0666;
  rules.applyUmask = true;
  rules.force = options.force;
  rules.input = input.Identity();
  return rules;
}

// Whether the component accepts the signature text (in the key's text form) for the digest.
// Throws when it refuses the key or the signature outright.
bool Verifies(const TPublicKey& key, const std::string& signature, const TDigest& digest) {
  TEllipticCurve curve;
  curve.SetIOMode(key.mode);
  curve.SetKeyPublic(key.text);
  curve.SetSignature(signature);
  curve.Verify(digest);
  if (curve.KeyPublic().empty()) {
    // The component clears itself when it refuses an input outright.
    throw TToolError("the public key or the signature was refused as malformed",
                     "give the texts that 'eccrypt pubkey' and 'eccrypt sign' printed");
  }
  return curve.Valid();
}

TDigestKind OtherDigest(TDigestKind kind) {
  return kind == TDigestKind::Sha1 ? TDigestKind::Sha256Truncated : TDigestKind::Sha1;
}

}  // namespace

int RunSign(const TSignOptions& options, TConsole& console) {
  TFileSource input(options.input);
  // Refused before the key is unlocked; written only once the signature is made.
  TOutputFile output(options.output, SignatureRules(options, input));
  TKeyFile key;
  LoadSecretKey(options.keyFile, options.passPhraseFile, key);
  const TDigest fileDigest = DigestOf(input, options.digest);

  if (options.bare) {
    WriteText(output, SignCanonical(key, fileDigest, options.keyFile) + "\n", console);
    return kExitOk;
  }
  TSignatureFile file;
  file.digest = options.digest;
  file.keyId = KeyIdOf(key.publicKey, key.mode);
  file.trustedComment = options.trustedComment.value_or(
      "file: " +
      (options.input.empty() || options.input == "-" ? std::string("standard input")
                                                     : BaseName(options.input)) +
      ", signed " + UtcNow());
  file.untrustedComment =
      options.untrustedComment.value_or("signature by eccrypt key " + file.keyId);
  if (!IsCommentText(file.trustedComment) || !IsCommentText(file.untrustedComment)) {
    throw TToolError(
        "a comment must be one line of at most " + std::to_string(kMaxCommentLength) + " bytes", "",
        kExitUsage);
  }
  file.signature = SignCanonical(key, SignedDigest(file, fileDigest), options.keyFile);
  WriteText(output, SignatureFileText(file), console);
  return kExitOk;
}

int RunVerify(const TVerifyOptions& options, TConsole& console) {
  const TPublicKey key = ResolvePublicKey(options.publicKey);
  const std::string keyId = KeyIdOf(key.text, key.mode);
  const bool fromStdin = options.input.empty() || options.input == "-";
  if (options.signature.empty() && fromStdin) {
    throw TToolError("no signature given", "name the signature with --signature SIGFILE",
                     kExitUsage);
  }
  // By default FILE.sig, always a file.
  const TKeyArgument signatureArgument = ClassifyKeyArgument(
      options.signature.empty() ? "@" + options.input + ".sig" : options.signature);
  const std::string signatureText = KeyArgumentText(signatureArgument, "signature");
  TFileSource input(options.input);
  const auto say = [&](const std::string& line) {
    if (!options.quiet) console.out << line << "\n";
  };

  if (LooksLikeSignatureFile(signatureText)) {
    const TSignatureFile file = ParseSignatureFile(
        signatureText, signatureArgument.IsFile() ? signatureArgument.file : std::string("given"));
    // SHA-1 is accepted only when asked for: its collisions are practical.
    if (file.digest == TDigestKind::Sha1 && options.digest != TDigestKind::Sha1) {
      say("BAD signature: made with another digest (SHA-1), which is accepted only with --sha1");
      return kExitFailed;
    }
    if (file.keyId != keyId) {
      say("BAD signature: signed by another key (key id " + file.keyId +
          "), not by the key given (key id " + keyId + ")");
      return kExitFailed;
    }
    const TDigest digest = SignedDigest(file, DigestOf(input, file.digest));
    if (!Verifies(key, ConvertSignatureText(file.signature, key.mode), digest)) {
      say("BAD signature: " + input.Name() +
          " was changed since it was signed, or the signature file was altered (key id " + keyId +
          ")");
      return kExitFailed;
    }
    say("Good signature: " + input.Name() + " was signed by key " + keyId +
        " (digest: " + DigestName(file.digest) + ")");
    say("Trusted comment: " + file.trustedComment);
    return kExitOk;
  }

  // A bare component signature text.
  std::string signature;
  try {
    signature = BareSignature(signatureText, key.mode, signatureArgument.file);
  } catch (const TToolError& error) {
    throw WithFileHint(error, signatureArgument);
  }
  const TBothDigests digests = BothDigestsOf(input);
  if (!Verifies(key, signature, digests.Of(options.digest))) {
    if (Verifies(key, signature, digests.Of(OtherDigest(options.digest)))) {
      say(std::string("BAD signature: made with another digest (") +
          DigestName(OtherDigest(options.digest)) + "); " +
          (options.digest == TDigestKind::Sha1 ? "verify without --sha1" : "verify with --sha1"));
      return kExitFailed;
    }
    say("BAD signature: " + input.Name() +
        " was not signed with the secret key of this public key, or was changed since (digest: " +
        DigestName(options.digest) + ")");
    return kExitFailed;
  }
  say("Good signature: " + input.Name() + " was signed by key " + keyId +
      " (bare signature text; digest: " + DigestName(options.digest) + ")");
  return kExitOk;
}

}  // namespace eccrypt::tool
