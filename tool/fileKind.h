#pragma once
// What a file is, told from its first bytes alone, without any key: the classification that
// `eccrypt inspect` reports, shared with every reader that is handed a file of the wrong kind,
// so that its message names what was given.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace eccrypt::tool {

enum class TFileKind {
  Encrypted,      // an encrypted file, armoured or not
  ProtectedKey,   // a secret-key file under a pass phrase
  ClearKey,       // a secret-key file in clear
  SignatureFile,  // a signature file, any version
  BareSignature,  // a signature text r:s alone
  PublicKey,      // a public key text the component accepts
  Other,          // none of those
};

// `start`: the file's first bytes, at least the first 64 KiB when it is longer. A text is
// classified by its first line or its shape; only a public key is checked further (the
// component must accept it).
TFileKind ClassifyFile(std::string_view start);

// When the text has the layout of a signature made by another program, that layout told in
// words ("an SSH signature"); otherwise nothing.
std::optional<std::string> ForeignSignatureFormat(std::string_view text);

// "an eccrypt encrypted file", "a public key", ...; for Other, "not a file eccrypt makes".
std::string FileKindName(TFileKind kind);

// The message for a file of the wrong kind: "NAME is a public key, not a secret-key file",
// or "NAME is not a secret-key file, nor any other file eccrypt makes".
std::string WrongKindMessage(const std::string& name, TFileKind kind, const std::string& expected);

// As ReadSmallFile (fileIo.h), reading enough of a longer file to say what it is: a file over
// `limit` bytes of a kind eccrypt makes (an encrypted file given as a key) is refused naming
// its kind (WrongKindMessage with `expected`).
inline constexpr std::size_t kClassifyBytes = std::size_t{64} * 1024;
std::string ReadSmallFileNamingKind(const std::string& path, std::size_t limit,
                                    const std::string& what, const std::string& expected);

}  // namespace eccrypt::tool
