#include "tool/keyText.h"

#include <sys/stat.h>

#include "tool/fileFormat.h"
#include "tool/fileIo.h"
#include "tool/keyFile.h"
#include "tool/protectedKey.h"
#include "tool/signatureText.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

constexpr std::size_t kMaxArgumentFileBytes = std::size_t{64} * 1024;

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The file an argument names: FILE for "@FILE", the argument when it is an existing file.
std::string ArgumentPath(const std::string& argument) {
  if (argument.starts_with('@')) return argument.substr(1);
  return IsRegularFile(argument) ? argument : std::string();
}

}  // namespace

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

std::string ArgumentText(const std::string& argument, const std::string& what) {
  const std::string path = ArgumentPath(argument);
  if (argument.starts_with('@') && path.empty()) {
    throw TToolError("@ must be followed by a file name for the " + what, "", kExitUsage);
  }
  if (path.empty()) return argument;
  return ReadSmallFile(path, kMaxArgumentFileBytes, what + " file");
}

std::string ArgumentSource(const std::string& argument, const std::string& fallback) {
  const std::string path = ArgumentPath(argument);
  return path.empty() ? fallback : path;
}

TPublicKey ResolvePublicKey(const std::string& argument) {
  std::string text = ArgumentText(argument, "public key");
  if (LooksLikeKeyFile(text) || LooksLikeProtectedKeyFile(text)) {
    TPublicKey key = PublicKeyOfKeyFileText(text, ArgumentSource(argument, "the key file"));
    Wipe(text);
    return key;
  }
  const std::string path = ArgumentPath(argument);
  if (path.empty() && text.find_first_of("./") != std::string::npos &&
      text.find_first_of(" \t\r\n") == std::string::npos) {
    // No key text has '.' or '/': a file name that names no file.
    throw IoError("cannot open " + argument + ": there is no such file, and it is no key text",
                  "check the file name");
  }
  return ResolvePublicKeyText(text, path.empty() ? "" : " in " + path);
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
