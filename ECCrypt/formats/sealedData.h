#pragma once
/// @file
/// @brief Sealed data: the encrypted-file format of the eccrypt tool, in memory.
///
/// Seal writes version 2 for one or more recipients' public keys: a random file key sealed for
/// each recipient in a stanza (the component's key agreement, HKDF-SHA-256, ChaCha20-Poly1305),
/// a header MAC (HMAC-SHA-256) over every stanza, then the data in 64 KiB chunks of
/// XChaCha20-Poly1305 (libsodium's secretstream), the last one marked final. Open reads
/// versions 1 and 2, armoured or not. The bytes are those `eccrypt encrypt` writes and
/// `eccrypt decrypt` reads; docs/formats.md describes them.
///
/// Contract: bad input gives an Error, never an exception; no function modifies its arguments
/// or any other key of the caller. Open gives the plaintext only when every chunk has been
/// authenticated.
#include <cstdint>
#include <span>
#include <vector>

#include "ECCrypt/api/keys.h"
#include "ECCrypt/api/result.h"

namespace eccrypt {

/// @brief How Seal writes sealed data.
struct SealOptions {
  /// Armour the result as text (PEM-style lines of RFC 4648 Base64, 64 characters a line)
  /// for mail and chat.
  bool armor = false;
};

/// @brief The most recipients one sealed file has.
inline constexpr std::size_t MaxRecipients = 1024;

/// @brief Seals @p data for every key of @p recipients (1 to MaxRecipients); each of them can
/// open it with its secret key, nobody else. Duplicate recipients are sealed for once each.
/// @return the sealed bytes, or an Error: InvalidArgument (no recipients, or too many),
///   RandomSourceFailed, Internal.
Result<std::vector<std::uint8_t>> Seal(std::span<const std::uint8_t> data,
                                       std::span<const PublicKey> recipients,
                                       const SealOptions& options = {});

/// @brief Opens sealed @p data (version 1 or 2, armoured or not) with @p key.
/// @return the plaintext, or an Error: Malformed (not sealed data, or a header out of its
///   bounds), UnsupportedVersion (a later version), NoMatchingKey (sealed for other keys, or
///   the stanzas are damaged), HeaderAltered, Damaged (a chunk fails authentication; the
///   message gives its byte offset), Truncated, TrailingData.
Result<std::vector<std::uint8_t>> Open(std::span<const std::uint8_t> data, const SecretKey& key);

/// @brief Open with the secret key of @p key.
Result<std::vector<std::uint8_t>> Open(std::span<const std::uint8_t> data, const KeyPair& key);

}  // namespace eccrypt
