#pragma once
// Key and signature texts given on the command line, and how an argument is told to be a text
// or a file. Surrounding spaces and line breaks, as pasting leaves them, are ignored.
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "tool/toolError.h"

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

// What a key or signature argument (-r, verify's --key and --signature) names, decided once,
// where the argument comes in, by one rule: an argument that starts with '@' names the file
// after the '@'; one that holds '/' or '.' names a file as spelt; any other argument is the
// text itself and is never looked up as a file. No key or signature text holds '/' or '.'
// (the radix-64 alphabet is '+', '-', digits and letters; signatures add ':'), so a file
// cannot pass for a text, nor a text for a file.
struct TKeyArgument {
  std::string given;  // the argument as given
  std::string file;   // the file it names; empty for a text
  bool IsFile() const { return !file.empty(); }
};
TKeyArgument ClassifyKeyArgument(const std::string& argument);

// The path of an argument that always names a file (--key of decrypt and sign): FILE for
// "@FILE", the argument as spelt otherwise.
std::string FileArgumentPath(const std::string& argument);

// The argument's text: the file's contents (at most 64 KiB) or the text itself. `what` names
// the argument in messages ("public key", "signature").
std::string KeyArgumentText(const TKeyArgument& argument, const std::string& what);

// `error` for a text argument that is no valid text, with a hint when a file of that name
// exists (the rule never reads it): write ./NAME or @NAME to name the file.
TToolError WithFileHint(const TToolError& error, const TKeyArgument& argument);

// A public key: from its text, or from a file holding that text or a clear secret-key file
// (whose public key is checked against its secret key). A protected secret-key file is
// refused: its public key line is not proven without the pass phrase.
TPublicKey ResolvePublicKey(const std::string& argument);

// A public key from its text alone (trimmed); `source` (" in FILE") is added to messages.
TPublicKey ResolvePublicKeyText(std::string text, const std::string& source = "");

// Throws TToolError when the component does not take the key as a public key (no point of
// its group). `source` (" in FILE") is added to messages.
void RequireAcceptedPublicKey(const TPublicKey& key, const std::string& source = "");

// A bare signature text "r:s" read from `source` (named in messages), trimmed, checked to be
// a text the tool accepts (signatureText.h) and given in `mode`. Throws TToolError.
std::string BareSignature(const std::string& text, TMode mode, const std::string& source);

// A signature text in the other text form, when it is written in one other than `mode`.
std::string ConvertSignatureText(const std::string& text, TMode mode);

const char* ModeName(TMode mode);

}  // namespace eccrypt::tool
