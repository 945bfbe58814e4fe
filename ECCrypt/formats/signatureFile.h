#pragma once
/// @file
/// @brief The lines of signature files of both versions, and the 20-byte values their
/// signatures cover: the pieces SignMessage and VerifyMessage (messageSignature.h) are made
/// of, for a program that shows a signature file without checking it, checks version 1 files
/// made by earlier versions of the eccrypt tool, or signs with its own signing loop.
///
/// Version 2 is the format messageSignature.h describes. Version 1 files have
/// "eccrypt signature 1" as their first line and "digest: sha256/20" or "digest: sha1" in place
/// of the prehash line; their signature covers the first 20 bytes of SHA-256 over the digest,
/// key id and trusted comment lines (each with its line feed) followed by the message's
/// 20-byte digest (the first 20 bytes of its SHA-256, or its SHA-1). A bare signature of a
/// file holding those bytes is therefore also a version 1 signature: accept version 1 only
/// for files known to come from an earlier signer.
///
/// Contract: bad input gives an Error, never an exception; no function modifies its arguments.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ECCrypt/api/keys.h"
#include "ECCrypt/api/result.h"
#include "ECCrypt/api/signing.h"
#include "ECCrypt/formats/messageSignature.h"

namespace eccrypt::formats {

/// @brief The first line of every signature file starts with this.
inline constexpr std::string_view SignatureFilePrefix = "eccrypt signature ";

/// @brief The message digest a version 1 signature file names on its "digest:" line.
enum class DigestV1 : std::uint8_t {
  Sha256Truncated,  ///< "sha256/20": the first 20 bytes of the message's SHA-256.
  Sha1,             ///< "sha1": the message's SHA-1.
};

/// @brief The label of @p digest on a version 1 "digest:" line ("sha256/20" or "sha1").
std::string_view DigestV1Label(DigestV1 digest) noexcept;

/// @brief The fields of a signature file, as read (nothing verified but their form).
struct SignatureFileFields {
  int version = 2;                              ///< 2, or 1 for files made by earlier signers
  std::string untrustedComment;                 ///< not covered by the signature
  DigestV1 digest = DigestV1::Sha256Truncated;  ///< version 1 only; version 2 has "sha256"
  std::string keyId;                            ///< 16 upper-case hexadecimal digits
  std::string trustedComment;                   ///< covered by the signature
  std::string signature;                        ///< "r:s" in canonical form, in either text form
};

/// @brief Whether @p text starts as a signature file of any version does.
bool LooksLikeSignatureFile(std::string_view text) noexcept;

/// @brief Whether a signer may write @p text as a comment: well-formed UTF-8 of at most
/// MaxCommentBytes bytes without control characters (C0, DEL, C1) or direction marks.
bool IsSignatureComment(std::string_view text) noexcept;

/// @brief Reads a signature file of version 1 or 2 strictly: every line in its place with its
/// label, nothing after the last. Lines may end in CR LF, and the last line end may be missing.
/// Version 2 comments must pass IsSignatureComment; version 1 ones, as their signer wrote
/// them, must only be free of C0 controls and DEL.
/// @return the fields, or an Error: Malformed (the message says what is wrong, after
///   "signature file: "), UnsupportedVersion (a first line "eccrypt signature N" of another
///   version).
Result<SignatureFileFields> ReadSignatureFile(std::string_view text);

/// @brief The text of a signature file holding @p fields, in the layout of fields.version,
/// each line ended by a line feed. The fields are written as given: ReadSignatureFile checks
/// them.
std::string SignatureFileText(const SignatureFileFields& fields);

/// @brief The 20 bytes a version 2 signature by @p key covers (see messageSignature.h).
/// @return the value, or Internal when libsodium cannot start.
Result<std::array<std::uint8_t, SignedDigestBytes>> SignedValue(const PublicKey& key,
                                                                std::string_view trustedComment,
                                                                const MessagePrehash& prehash);

/// @brief The same value from its four fields as given: BLAKE2b (20-byte output, no key, zero
/// salt, personalisation "eccrypt-sigfile2") over @p publicKeyValue (a big-endian integer;
/// leading zero bytes are dropped), @p prehashName, @p trustedComment and @p prehash, each
/// preceded by its length as 8 big-endian bytes. A pure function of its inputs, for checking
/// the format against known answers.
/// @return the value, or Internal when libsodium cannot start.
Result<std::array<std::uint8_t, SignedDigestBytes>> SignedValueOfFields(
    std::span<const std::uint8_t> publicKeyValue, std::string_view prehashName,
    std::string_view trustedComment, std::span<const std::uint8_t> prehash);

/// @brief The 20 bytes a version 1 signature file's signature covers, given the message's
/// digest of the kind @p fields names (its signature field is not used).
std::array<std::uint8_t, SignedDigestBytes> SignedValueV1(
    const SignatureFileFields& fields, std::span<const std::uint8_t, SignedDigestBytes> digest);

/// @brief The signature a signature file read by ReadSignatureFile holds, once the key id it
/// names has been found to be @p key's.
/// @return the signature, or an Error: KeyMismatch (the file names another key), Malformed (its
///   signature text).
Result<Signature> SignatureForKey(const SignatureFileFields& fields, const PublicKey& key);

/// @brief Checks a version 1 signature file read by ReadSignatureFile against the message's
/// @p digest (of the kind @p fields names) and @p key.
/// @return success, or an Error: InvalidArgument (fields of another version), KeyMismatch (the
///   file names another key), Malformed (its signature text), BadSignature.
Result<void> VerifySignatureFileV1(const SignatureFileFields& fields,
                                   std::span<const std::uint8_t, SignedDigestBytes> digest,
                                   const PublicKey& key);

}  // namespace eccrypt::formats
