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
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "ECCrypt/api/keys.h"
#include "ECCrypt/api/result.h"

namespace eccrypt {

/// @brief How Seal writes sealed data.
struct SealOptions {
  /// Armour the result as text for mail and chat: a line "-----BEGIN ECCRYPT ENCRYPTED
  /// FILE-----", the sealed bytes in RFC 4648 Base64 (with '=' padding), 64 characters a line
  /// (the last line shorter), then "-----END ECCRYPT ENCRYPTED FILE-----"; every line ends
  /// with a line feed. Open and Opener read it back strictly (a carriage return before a line
  /// feed is accepted; nothing may come before the first line or after the last).
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

/// @brief What the header of sealed data tells without any key.
struct SealedDataHeader {
  int version = 0;                         ///< The format version, 1 or 2.
  std::size_t recipients = 0;              ///< The recipient stanzas (one for version 1).
  TextForm valueForm = TextForm::Radix64;  ///< Version 1: the text form of its exchanged value.
  bool armored = false;                    ///< The data is armoured.
};

/// @brief True when @p start begins as sealed data does: with its magic, or with the armour's
/// BEGIN line. A quick test of a file's first bytes; ReadSealedHeader reads the header.
bool LooksSealed(std::span<const std::uint8_t> start);

/// @brief Reads the header at the start of sealed @p data (armoured or not) without any key;
/// anything may follow the header, or nothing.
/// @return the header, or the Error Open gives for it: Malformed, UnsupportedVersion,
///   Truncated (the header, or its armour, ends early).
Result<SealedDataHeader> ReadSealedHeader(std::span<const std::uint8_t> data);

/// @brief Seals data given in pieces, in constant memory (64 KiB buffered): Create, Update
/// with each piece in order, then Finish once. The bytes Update and Finish append, one after
/// the other, are what Seal gives with the same options. The full 64 KiB chunks of a piece are
/// sealed straight from it; only the last chunk's worth is held (copied) until more data or
/// Finish tells whether it is the last.
class Sealer {
 public:
  /// @brief A sealer for @p recipients (1 to MaxRecipients), armouring its output when
  /// @p options asks for it.
  /// @return the sealer, or InvalidArgument, RandomSourceFailed, Internal as Seal.
  static Result<Sealer> Create(std::span<const PublicKey> recipients,
                               const SealOptions& options = {});
  Sealer(Sealer&&) noexcept;             ///< Moves the sealer; the moved-from one is spent.
  Sealer& operator=(Sealer&&) noexcept;  ///< Moves the sealer; the moved-from one is spent.
  ~Sealer();                             ///< Wipes the keys and the data held.

  /// @brief Takes the next piece of the data and appends the sealed bytes ready to @p out.
  /// @return success, or InvalidArgument once finished.
  Result<void> Update(std::span<const std::uint8_t> piece, std::vector<std::uint8_t>& out);
  /// @brief Appends the last sealed bytes to @p out; the sealer is spent afterwards.
  /// @return success, or InvalidArgument once finished.
  Result<void> Finish(std::vector<std::uint8_t>& out);

 private:
  struct State;
  explicit Sealer(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

/// @brief Opens sealed data (versions 1 and 2, armoured or not) given in pieces, in constant
/// memory: Create, Update with each piece in order, then Finish once. Update appends to its
/// output only plaintext whose chunk has been authenticated; the data is whole and unaltered
/// only when Finish succeeds. After an error, @p out still holds the plaintext of every chunk
/// authenticated before the fault.
class Opener {
 public:
  /// @brief The keys to try, one per call, or nullptr when none is left. The key given must
  /// stay valid until the next call or the end of the Update or Finish that asked for it. It
  /// must not throw.
  using KeySource = std::function<const SecretKey*()>;

  /// @brief An opener with @p key (a copy of it is kept, wiped with the opener).
  static Result<Opener> Create(const SecretKey& key);
  /// @brief An opener that asks @p keys for a key only once the whole header has arrived, and
  /// for the next one only when the keys before it do not open the data (so that a key behind
  /// a pass phrase is unlocked only when it is needed). NoMatchingKey when none opens it.
  static Result<Opener> Create(KeySource keys);
  Opener(Opener&&) noexcept;             ///< Moves the opener; the moved-from one is spent.
  Opener& operator=(Opener&&) noexcept;  ///< Moves the opener; the moved-from one is spent.
  ~Opener();                             ///< Wipes the key and the data held.

  /// @brief Takes the next piece of sealed data and appends the plaintext authenticated so far
  /// to @p out.
  /// @return success, or the Error of Open; after an error, every call gives InvalidArgument.
  Result<void> Update(std::span<const std::uint8_t> piece, std::vector<std::uint8_t>& out);
  /// @brief Checks that the data ended where its end is marked, appending the last plaintext.
  /// @return success, or the Error of Open (Truncated when the final chunk never came).
  Result<void> Finish(std::vector<std::uint8_t>& out);

  /// @brief True once the input has shown itself to be meant as sealed data: its magic arrived,
  /// or it began as armour that then broke the armour's rules. A Malformed error while this is
  /// false means the input is not sealed data at all.
  bool Recognised() const noexcept;

 private:
  struct State;
  explicit Opener(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace eccrypt
