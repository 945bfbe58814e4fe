#pragma once
// Signature files: a signature with what it says about itself, as text.
//
//   eccrypt signature 1
//   untrusted comment: TEXT
//   digest: sha256/20            (or sha1)
//   key id: 16 HEXADECIMAL DIGITS
//   trusted comment: TEXT
//   signature: R:S               (canonical, in the text form of the signer's key)
//
// Each line ends with a line feed. The signature is not over the file's digest alone: the
// component signs the first 20 bytes of SHA-256 over the lines from "digest:" to "trusted
// comment:" (with their line feeds) followed by the file's 20-byte digest. So the digest
// algorithm, the key id and the trusted comment cannot be changed without the signature
// failing; the untrusted comment can, and is shown as such.
#include <string>
#include <string_view>

#include "tool/digest.h"

namespace eccrypt::tool {

inline constexpr std::string_view kSignatureFileFirstLine = "eccrypt signature 1";
inline constexpr std::size_t kMaxCommentLength = 1024;

struct TSignatureFile {
  std::string untrustedComment;
  TDigestKind digest = TDigestKind::Sha256Truncated;
  std::string keyId;
  std::string trustedComment;
  std::string signature;  // "r:s"
};

// True when the text starts as a signature file of any version does.
bool LooksLikeSignatureFile(std::string_view text);

// A comment fits on its line: at most kMaxCommentLength bytes, no control characters.
bool IsCommentText(std::string_view text);

// The name of a digest on the "digest:" line.
const char* DigestLabel(TDigestKind kind);

std::string SignatureFileText(const TSignatureFile& file);

// Reads a signature file strictly: every line in its place, nothing after the last. `name`
// names the file in messages. Throws TToolError.
TSignatureFile ParseSignatureFile(std::string_view text, const std::string& name);

// The 20 bytes the component signs for a signature file (its signature field is not used).
TDigest SignedDigest(const TSignatureFile& file, const TDigest& fileDigest);

}  // namespace eccrypt::tool
