#include "tool/keyText.h"

#include "tool/fileFormat.h"
#include "tool/fileIo.h"
#include "tool/keyFile.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

constexpr std::size_t kMaxArgumentFileBytes = std::size_t{64} * 1024;

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

std::string ArgumentText(const std::string& argument, const std::string& what) {
  if (argument.empty() || argument[0] != '@') return argument;
  const std::string path = argument.substr(1);
  if (path.empty()) throw TToolError("@ must be followed by a file name for the " + what);
  return ReadSmallFile(path, kMaxArgumentFileBytes, what + " file");
}

TPublicKey ResolvePublicKey(const std::string& argument) {
  std::string text = ArgumentText(argument, "public key");
  if (LooksLikeKeyFile(text)) {
    TKeyFile key;
    ParseKeyFile(text, argument.substr(1), key);
    Wipe(text);
    return {key.mode, key.publicKey};
  }
  text = StripLineEnd(std::move(text));
  const std::string source = argument.starts_with('@') ? " in " + argument.substr(1) : "";
  if (text.empty()) {
    throw TToolError("the public key" + source + " is empty",
                     "give the text that 'eccrypt keygen' or 'eccrypt pubkey' printed");
  }
  if (text.size() > kMaxKeyTextLength) {
    throw TToolError("the public key" + source + " is too long to be a public key",
                     "give the text that 'eccrypt keygen' or 'eccrypt pubkey' printed");
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

std::string ResolveSignature(const std::string& argument, TMode mode) {
  std::string text = StripLineEnd(ArgumentText(argument, "signature"));
  const std::string source = argument.starts_with('@') ? " in " + argument.substr(1) : "";
  if (text.size() <= kMaxKeyTextLength) {
    // Hexadecimal when both halves are, as for key texts; converted to the key's form when the
    // two differ (the same two numbers either way).
    const TMode form = IsSignatureOfMode(text, TMode::Hex) ? TMode::Hex : TMode::Base64;
    if (IsSignatureOfMode(text, form)) {
      if (form == mode) return text;
      const std::size_t colon = text.find(':');
      return ConvertTextForm(std::string_view(text).substr(0, colon), form, mode) + ":" +
             ConvertTextForm(std::string_view(text).substr(colon + 1), form, mode);
    }
  }
  throw TToolError("the signature" + source +
                       " is not a signature text (two numbers in text form joined by ':')",
                   "give the text that 'eccrypt sign' printed");
}

}  // namespace eccrypt::tool
