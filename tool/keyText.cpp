#include "tool/keyText.h"

#include "tool/fileIo.h"
#include "tool/fileKind.h"
#include "tool/secretKeyFiles.h"
#include "tool/secure.h"
#include "tool/signatureText.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

constexpr std::size_t kMaxArgumentFileBytes = std::size_t{64} * 1024;

// The public-key file that keygen's documented use puts beside a key file: NAME.pub for
// NAME.key, KEYFILE.pub otherwise.
std::string PublicKeyFileBeside(const std::string& keyFile) {
  const std::string stem =
      keyFile.ends_with(".key") ? keyFile.substr(0, keyFile.size() - 4) : keyFile;
  return stem + ".pub";
}

// The public key held in a file named where a public key is asked for.
TPublicKey PublicKeyOfFile(const std::string& text, const std::string& path) {
  if (LooksLikeProtectedKeyFile(text)) {
    // Its clear lines are covered only by the sealed part: without the pass phrase nothing
    // shows that they were not swapped for another key's.
    throw TToolError(path +
                         " is a protected secret-key file: its public key is proven only by "
                         "unlocking it, so it is not read from there",
                     "give the public key instead, for example " + PublicKeyFileBeside(path) +
                         " as 'eccrypt keygen' printed it, or print it with 'eccrypt pubkey " +
                         path + "' and the pass phrase");
  }
  if (LooksLikeKeyFile(text)) {
    // A clear key file holds the secret key too: ParseKeyFile checks that the public key
    // belongs to it.
    TKeyFile key;
    ParseKeyFile(text, path, key);
    return {key.mode, key.publicKey};
  }
  // Another kind of file (a signature, an encrypted file, a text of several lines) is named as
  // what it is; a line that is nearly a key keeps the reason it is not one.
  const TFileKind kind = ClassifyFile(text);
  const std::string trimmed = TrimText(text);
  if (kind != TFileKind::PublicKey &&
      (kind != TFileKind::Other || trimmed.size() > kMaxKeyTextLength ||
       trimmed.find_first_of("\r\n") != std::string::npos)) {
    throw TToolError(WrongKindMessage(path, kind, "a public key"),
                     "give the public key that 'eccrypt keygen' or 'eccrypt pubkey' printed");
  }
  TPublicKey key = ResolvePublicKeyText(text, " in " + path);
  RequireAcceptedPublicKey(key, " in " + path);
  return key;
}

}  // namespace

TKeyArgument ClassifyKeyArgument(const std::string& argument) {
  if (argument.starts_with('@')) {
    if (argument.size() == 1) {
      throw TToolError("@ must be followed by a file name", "write @FILE", kExitUsage);
    }
    return {argument, argument.substr(1)};
  }
  if (argument.find_first_of("/.") != std::string::npos) return {argument, argument};
  return {argument, ""};
}

std::string FileArgumentPath(const std::string& argument) {
  return argument.starts_with('@') && argument.size() > 1 ? argument.substr(1) : argument;
}

std::string KeyArgumentText(const TKeyArgument& argument, const std::string& what) {
  if (!argument.IsFile()) return argument.given;
  if (argument.file.find_first_of("\r\n") != std::string::npos) {
    // Such as a whole signature file pasted as the argument: it holds '.' or '/', so it is
    // taken for a file name, and no file name of a key or signature has a line break.
    throw TToolError("the " + what + " given holds '.' or '/' and a line break: it is neither a " +
                         what + " text nor a file name",
                     "give the file's name, or the " + what + " text alone", kExitUsage);
  }
  return ReadSmallFileNamingKind(argument.file, kMaxArgumentFileBytes, what + " file", "a " + what);
}

TToolError WithFileHint(const TToolError& error, const TKeyArgument& argument) {
  if (argument.IsFile() || argument.given.empty() || !PathExists(argument.given)) return error;
  return TToolError(error.what(),
                    "a file named " + argument.given +
                        " exists, but a name without '/' or '.' is read as a text, never as a "
                        "file: to read the file, write ./" +
                        argument.given + " or @" + argument.given,
                    error.ExitCode());
}

TPublicKey ResolvePublicKey(const std::string& argument) {
  const TKeyArgument given = ClassifyKeyArgument(argument);
  if (given.IsFile()) {
    TSecretString text(KeyArgumentText(given, "public key"));  // may be a clear key file
    return PublicKeyOfFile(text.str(), given.file);
  }
  try {
    TPublicKey key = ResolvePublicKeyText(given.given);
    RequireAcceptedPublicKey(key);
    return key;
  } catch (const TToolError& error) {
    throw WithFileHint(error, given);
  }
}

void RequireAcceptedPublicKey(const TPublicKey& key, const std::string& source) {
  TEllipticCurve curve;
  curve.SetIOMode(key.mode);
  curve.SetKeyPublic(key.text);
  curve.Encrypt();  // refuses (clears) a text that is no point of the group
  if (curve.ExchangedValue().empty()) {
    throw TToolError("the public key" + source +
                         " is not a key of this system (the component "
                         "refuses it)",
                     "give the text that 'eccrypt keygen' or 'eccrypt pubkey' printed");
  }
}

const char* ModeName(TMode mode) {
  return mode == TMode::Hex ? "hex" : "base64";
}

TMode DetectMode(std::string_view text) {
  return text.size() % 4 == 0 && IsTextOfMode(text, TMode::Hex) ? TMode::Hex : TMode::Base64;
}

std::string StripLineEnd(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

std::string TrimText(std::string text) {
  constexpr std::string_view kBlank = " \t\r\n";
  const std::size_t last = text.find_last_not_of(kBlank);
  text.erase(last == std::string::npos ? 0 : last + 1);
  text.erase(0, text.find_first_not_of(kBlank));
  return text;
}

TPublicKey ResolvePublicKeyText(std::string text, const std::string& source) {
  text = TrimText(std::move(text));
  if (text.empty()) {
    throw TToolError("the public key" + source + " is empty",
                     "give the text that 'eccrypt keygen' or 'eccrypt pubkey' printed");
  }
  if (text.size() > kMaxKeyTextLength) {
    throw TToolError("the public key" + source + " is too long to be a public key",
                     "give the text that 'eccrypt keygen' or 'eccrypt pubkey' printed");
  }
  if (text.find_first_of(" \t\r\n") != std::string::npos) {
    throw TToolError("the public key" + source + " has a space or a line break inside it",
                     "give the key text on one line, as 'eccrypt keygen' or 'eccrypt pubkey' "
                     "printed it");
  }
  const TMode mode = DetectMode(text);
  if (!IsTextOfMode(text, mode)) {
    throw TToolError("the public key" + source + " contains characters that no key text has",
                     "give the text that 'eccrypt keygen' or 'eccrypt pubkey' printed");
  }
  return {mode, text};
}

namespace {

// "r:s" with both halves texts of the mode.
bool IsSignatureOfMode(std::string_view text, TMode mode) {
  const std::size_t colon = text.find(':');
  return colon != std::string_view::npos && IsTextOfMode(text.substr(0, colon), mode) &&
         IsTextOfMode(text.substr(colon + 1), mode) &&
         (mode == TMode::Base64 || (colon % 4 == 0 && (text.size() - colon - 1) % 4 == 0));
}

}  // namespace

std::string ConvertSignatureText(const std::string& text, TMode mode) {
  const TMode form = SignatureTextMode(text);
  if (form == mode) return text;
  const std::size_t colon = text.find(':');
  return ConvertTextForm(std::string_view(text).substr(0, colon), form, mode) + ":" +
         ConvertTextForm(std::string_view(text).substr(colon + 1), form, mode);
}

std::string BareSignature(const std::string& text, TMode mode, const std::string& source) {
  const std::string signature = TrimText(text);
  const std::string where = source.empty() ? "the signature" : "the signature in " + source;
  if (signature.size() > kMaxKeyTextLength ||
      !IsSignatureOfMode(signature, SignatureTextMode(signature))) {
    throw TToolError(where + " is not a signature text (two numbers in text form joined by ':')",
                     "give the signature file or the text that 'eccrypt sign' wrote");
  }
  if (ClassifySignature(signature, SignatureTextMode(signature)) == TSignatureForm::Malformed) {
    throw TToolError(where +
                         " is not in the form eccrypt accepts: a half is zero, too large, or "
                         "spelt with leading zero digits",
                     "give the text that 'eccrypt sign' wrote, unchanged");
  }
  return ConvertSignatureText(signature, mode);
}

}  // namespace eccrypt::tool
