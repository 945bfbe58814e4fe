#pragma once
// Signature files: a signature with what it says about itself, as text.
//
//   eccrypt signature 2
//   untrusted comment: TEXT
//   prehash: sha256
//   key id: 16 HEXADECIMAL DIGITS
//   trusted comment: TEXT
//   signature: R:S               (canonical, in the text form of the signer's key)
//
// Each line ends with a line feed. The component signs the 20 bytes SignatureFileDigest makes:
// BLAKE2b with a personalisation of its own over the signer's whole public key, the prehash's
// name, the trusted comment and the file's SHA-256. That value is the last step of no SHA-256 or
// SHA-1 computation, so no bare signature (the first 20 bytes of SHA-256, or SHA-1, of a file)
// is ever a signature-file signature, nor the other way round. The key, the prehash and the
// trusted comment cannot be changed without the signature failing; the untrusted comment can,
// and is shown as such. The key id names the signer for people and for a quick "another key";
// what is signed is the whole key.
//
// Version 1 files ("eccrypt signature 1", a "digest: sha256/20" or "digest: sha1" line in place
// of the prehash line) signed the first 20 bytes of SHA-256 over their digest, key id and
// trusted comment lines followed by the file's 20-byte digest: what a bare signature of a file
// holding those bytes signs. They are still read, and verified only when asked for.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tool/digest.h"

namespace eccrypt::tool {

inline constexpr int kSignatureFileVersion = 2;
inline constexpr std::size_t kMaxCommentLength = 1024;
// The prehash of signature files: the whole SHA-256 of the signed file.
inline constexpr std::string_view kPrehashName = "sha256";
// BLAKE2b's personalisation for the signed value of version 2 signature files: 16 bytes.
inline constexpr std::string_view kSignatureFilePersonal = "eccrypt-sigfile2";

struct TSignatureFile {
  int version = kSignatureFileVersion;  // 2, or 1 for files made by earlier versions
  std::string untrustedComment;
  TDigestKind digest = TDigestKind::Sha256Truncated;  // version 1 only; version 2 has kPrehashName
  std::string keyId;
  std::string trustedComment;
  std::string signature;  // "r:s"
};

// The first line of a signature file of the given version.
std::string SignatureFileFirstLine(int version);

// True when the text starts as a signature file of any version does.
bool LooksLikeSignatureFile(std::string_view text);

// A comment a new signature file may carry: at most kMaxCommentLength bytes of UTF-8 text
// without control characters or direction marks (displayText.h).
bool IsCommentText(std::string_view text);

// When the text has the layout of a signature made by another program, that layout told in
// words ("an SSH signature"); otherwise nothing.
std::optional<std::string> ForeignSignatureFormat(std::string_view text);

// The name of a digest on a version 1 file's "digest:" line.
const char* DigestLabel(TDigestKind kind);

// The file's text, in the format of file.version.
std::string SignatureFileText(const TSignatureFile& file);

// Reads a signature file of version 1 or 2 strictly: every line in its place, nothing after the
// last. `name` names the file in messages. Throws TToolError.
TSignatureFile ParseSignatureFile(std::string_view text, const std::string& name);

// The 20 bytes the component signs for a version 2 signature file: BLAKE2b with a 20-byte
// output, no key, a zero salt and the personalisation kSignatureFilePersonal, over four fields,
// each an 8-byte big-endian length followed by that many bytes:
//   1. the signer's public key value: the integer its text stands for, big-endian, without
//      leading zero bytes (keyId.h's PublicKeyValue; leading zero bytes given here are dropped);
//   2. the prehash's name (kPrehashName);
//   3. the trusted comment;
//   4. the prehash: the whole SHA-256 of the file.
// A pure function of its inputs: the caller computes the prehash however it likes.
TDigest SignatureFileDigest(std::span<const std::uint8_t> publicKeyValue,
                            std::string_view prehashName, std::string_view trustedComment,
                            std::span<const std::uint8_t> prehash);

// The 20 bytes the component signed for a version 1 signature file (its signature field is not
// used), from the file's digest of the kind the file names.
TDigest SignedDigestV1(const TSignatureFile& file, const TDigest& fileDigest);

}  // namespace eccrypt::tool
