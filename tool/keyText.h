#pragma once
// Key and signature texts given on the command line: @FILE to read it from a file, the name of
// an existing file, or else the text itself. Surrounding spaces and line breaks, as pasting
// leaves them, are ignored. A secret-key file named where a public key is asked for yields
// its public key.
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"

namespace eccrypt::tool {

// Longest key, value or signature text the tool accepts; real ones are under 160 characters.
inline constexpr std::size_t kMaxKeyTextLength = 512;

struct TPublicKey {
  TMode mode = TMode::Base64;
  std::string text;
};

// Hexadecimal when the text is made of upper-case hexadecimal digits in groups of four,
// radix-64 otherwise. A radix-64 key text of that shape is practically impossible.
TMode DetectMode(std::string_view text);

// Removes one trailing line end ("\n" or "\r\n").
std::string StripLineEnd(std::string text);

// Removes spaces, tabs and line breaks at both ends.
std::string TrimText(std::string text);

// The contents of FILE for "@FILE" or for the name of an existing regular file; otherwise the
// argument itself. `what` names the argument.
std::string ArgumentText(const std::string& argument, const std::string& what);

// The file an argument was read from, or `fallback` when it is a text.
std::string ArgumentSource(const std::string& argument, const std::string& fallback);

// A public key from its text, from @FILE holding that text, or from @KEYFILE.
TPublicKey ResolvePublicKey(const std::string& argument);

// A public key from its text alone (trimmed); `source` (" in FILE") is added to messages.
TPublicKey ResolvePublicKeyText(std::string text, const std::string& source = "");

// A bare signature text "r:s" read from `source` (named in messages), trimmed, checked to be
// a text the tool accepts (signatureText.h) and given in `mode`. Throws TToolError.
std::string BareSignature(const std::string& text, TMode mode, const std::string& source);

// A signature text in the other text form, when it is written in one other than `mode`.
std::string ConvertSignatureText(const std::string& text, TMode mode);

const char* ModeName(TMode mode);

}  // namespace eccrypt::tool
