#pragma once
/// @file
/// @brief Signatures on messages of any length, as signature files (version 2).
///
/// A signature file is six lines of text, each ending in a line feed:
///
///     eccrypt signature 2
///     untrusted comment: TEXT
///     prehash: sha256
///     key id: 16 UPPER-CASE HEXADECIMAL DIGITS
///     trusted comment: TEXT
///     signature: R:S
///
/// The signature is the component's, over 20 bytes of BLAKE2b (20-byte output, no key, zero
/// salt, personalisation "eccrypt-sigfile2") of four fields, each an 8-byte big-endian length
/// followed by its bytes: the signer's public key as an integer (big-endian, no leading zero
/// bytes), the prehash's name "sha256", the trusted comment, and the message's whole SHA-256.
/// The key and the trusted comment cannot change without the signature failing; the untrusted
/// comment can, and is reported as such. The eccrypt tool reads and writes the same files.
///
/// Contract: bad input gives an Error, never an exception; no function modifies its arguments
/// or any other key of the caller.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ECCrypt/api/keys.h"
#include "ECCrypt/api/result.h"
#include "ECCrypt/hash/sha256.h"

namespace eccrypt {

/// @brief The SHA-256 of a message: what the prehashed forms take, computed by the caller with
/// any implementation.
using MessagePrehash = std::array<std::uint8_t, Sha256Bytes>;

/// @brief The longest comment, in bytes, that a signature file carries.
inline constexpr std::size_t MaxCommentBytes = 1024;

/// @brief The key id of @p key: the first 8 bytes of SHA-256("eccrypt key id\n" followed by
/// the key's hexadecimal text), as 16 upper-case hexadecimal digits. It names a key for people;
/// what a signature file binds is the whole key.
std::string KeyId(const PublicKey& key);

/// @brief How SignMessage writes the signature file.
struct SignMessageOptions {
  /// A comment shown with the file but not covered by the signature.
  std::string_view untrustedComment;
  /// The text form of the signature line.
  TextForm form = TextForm::Radix64;
};

/// @brief What a verified signature file says, all of it checked but the untrusted comment.
struct VerifiedMessage {
  std::string trustedComment;    ///< covered by the signature
  std::string untrustedComment;  ///< NOT covered by the signature: anybody may have changed it
  std::string keyId;             ///< the signer's key id
};

/// @brief Signs @p message with @p key and returns the signature file's text.
/// @return the text, or an Error: Malformed (a comment longer than MaxCommentBytes, not UTF-8,
///   or holding a control character or a direction mark), RandomSourceFailed.
Result<std::string> SignMessage(std::span<const std::uint8_t> message, const KeyPair& key,
                                std::string_view trustedComment = {},
                                const SignMessageOptions& options = {});

/// @brief SignMessage for a message whose SHA-256 the caller has computed.
Result<std::string> SignMessagePrehashed(const MessagePrehash& prehash, const KeyPair& key,
                                         std::string_view trustedComment = {},
                                         const SignMessageOptions& options = {});

/// @brief Checks that @p signatureFile is a signature of @p message by @p key.
/// @return what the file says, or an Error: Malformed (not a signature file, or one changed
///   where no signer writes), UnsupportedVersion (a version 1 file, whose signatures this
///   interface does not accept: sign again), KeyMismatch (the file names another key),
///   BadSignature (the message, the trusted comment or the signature was changed).
Result<VerifiedMessage> VerifyMessage(std::span<const std::uint8_t> message,
                                      std::string_view signatureFile, const PublicKey& key);

/// @brief VerifyMessage for a message whose SHA-256 the caller has computed.
Result<VerifiedMessage> VerifyMessagePrehashed(const MessagePrehash& prehash,
                                               std::string_view signatureFile,
                                               const PublicKey& key);

/// @brief Signs a message given in pieces, in constant memory: Update with each piece in
/// order, then Finish once.
class MessageSigner {
 public:
  /// @brief Adds the next piece of the message.
  void Update(std::span<const std::uint8_t> piece) {
    if (!finished_) hash_.Update(piece);
  }
  /// @brief SignMessage over the pieces given so far. The signer is spent afterwards.
  /// A second Finish gives InvalidArgument.
  Result<std::string> Finish(const KeyPair& key, std::string_view trustedComment = {},
                             const SignMessageOptions& options = {});

 private:
  TSha256 hash_;
  bool finished_ = false;
};

/// @brief Verifies a message given in pieces, in constant memory: Update with each piece in
/// order, then Finish once.
class MessageVerifier {
 public:
  /// @brief Adds the next piece of the message.
  void Update(std::span<const std::uint8_t> piece) {
    if (!finished_) hash_.Update(piece);
  }
  /// @brief VerifyMessage over the pieces given so far. The verifier is spent afterwards.
  /// A second Finish gives InvalidArgument.
  Result<VerifiedMessage> Finish(std::string_view signatureFile, const PublicKey& key);

 private:
  TSha256 hash_;
  bool finished_ = false;
};

}  // namespace eccrypt
