#pragma once
// Key and signature texts given on the command line: the text itself, or @FILE to read it
// from a file (one trailing newline ignored). A secret-key file named where a public key is
// asked for yields its public key.
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

// The argument itself, or the contents of FILE for "@FILE". `what` names the argument.
std::string ArgumentText(const std::string& argument, const std::string& what);

// A public key from its text, from @FILE holding that text, or from @KEYFILE.
TPublicKey ResolvePublicKey(const std::string& argument);

// A signature text "r:s" from the argument or @FILE, in the given text form (converted when
// written in the other). Throws TToolError when it is not a signature text.
std::string ResolveSignature(const std::string& argument, TMode mode);

const char* ModeName(TMode mode);

}  // namespace eccrypt::tool
