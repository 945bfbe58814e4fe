#pragma once
/// @file
/// @brief Keys: PublicKey, SecretKey, KeyPair, and the two text forms they are written in.
///
/// Texts are exactly the component's (TEllipticCurve): a key text written here is the one
/// the component writes for the same key, and a text the component writes is read here.
/// Parsing is strict where the component is lenient: one text per value, every value checked.
///
/// Contract of every function here: bad input gives an Error, never an exception; no function
/// modifies its arguments or any other key of the caller. Values are immutable once made.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ECCrypt/api/result.h"

namespace eccrypt {

namespace apidetail {
struct Access;
}  // namespace apidetail

/// @brief The two text forms of keys, exchanged values and signatures.
enum class TextForm : std::uint8_t {
  /// Radix-64 over the alphabet "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
  /// (the component's IOMode Base64). Not RFC 4648 Base64.
  Radix64,
  /// Upper-case hexadecimal, four digits per 16-bit group, most significant first (the
  /// component's IOMode Hex).
  Hex,
};

/// @brief Size in bytes of a key, an exchanged value or a session key as bytes.
inline constexpr std::size_t ValueBytes = 32;

/// @brief A public key: a point of the prime-order group, other than the zero point.
class PublicKey {
 public:
  /// @brief Reads a public key from its text, in either text form.
  ///
  /// The form is told by the text: hexadecimal when it is made only of the digits 0-9 and
  /// A-F and its length is a multiple of 4, radix-64 otherwise. The text must be the one the
  /// component writes for the key: no spaces, no leading zero group.
  /// @param text the key's text.
  /// @return the key, or an Error: Empty, BadCharacter (with its position), TooLong,
  ///   NotCanonical, NotAGroupPoint (including the zero point and points of small order).
  static Result<PublicKey> Parse(std::string_view text);

  /// @brief Reads a public key from its 32 bytes (see ToBytes()).
  /// @return the key, or an Error: WrongLength, NotAGroupPoint.
  static Result<PublicKey> FromBytes(std::span<const std::uint8_t> bytes);

  /// @brief The key's text in @p form, the text the component writes for it.
  std::string ToText(TextForm form) const;

  /// @brief The compressed point as a 32-byte big-endian integer.
  const std::array<std::uint8_t, ValueBytes>& ToBytes() const noexcept { return value_; }

  /// @brief Whether both are the same key.
  friend bool operator==(const PublicKey&, const PublicKey&) = default;

 private:
  friend class KeyPair;
  friend class SecretKey;
  friend struct apidetail::Access;
  explicit PublicKey(const std::array<std::uint8_t, ValueBytes>& value) : value_(value) {}
  std::array<std::uint8_t, ValueBytes> value_;
};

/// @brief A secret key: an integer x with 0 < x < n, n the order of the group.
///
/// Move-only, so no copy is made by accident; wiped when destroyed or moved from. It has no
/// stream operator and no implicit conversion to text: its text is given only by ExportText().
/// A key that has been moved from is zero, and every operation refuses it (MultipleOfOrder).
class SecretKey {
 public:
  /// @brief Reads a secret key from its text, in either text form (told as PublicKey::Parse
  /// tells it).
  /// @return the key, or an Error: Empty, BadCharacter (its position only, never the
  ///   character), TooLong, NotCanonical, OutOfRange (the value is n or more), and
  ///   MultipleOfOrder for zero.
  static Result<SecretKey> Parse(std::string_view text);

  /// @brief Takes @p other's key; @p other is wiped (zero).
  SecretKey(SecretKey&& other) noexcept;
  /// @brief Takes @p other's key in place of this one's; @p other is wiped (zero).
  SecretKey& operator=(SecretKey&& other) noexcept;
  SecretKey(const SecretKey&) = delete;  ///< Not copyable: no copy of a secret by accident.
  SecretKey& operator=(const SecretKey&) = delete;  ///< Not copyable.
  /// @brief Wipes the key.
  ~SecretKey();

  /// @brief The key's text in @p form, the text the component writes for it. The caller owns
  /// this copy of the secret and should wipe it when done.
  std::string ExportText(TextForm form) const;

  /// @brief The public key of this secret key (one multiplication of the base point).
  /// @return the key, or MultipleOfOrder for a key that has been moved from.
  Result<eccrypt::PublicKey> DerivePublicKey() const;

  /// @brief The integer as 32 bytes, big-endian (for the library's own operations and for key
  /// storage). The caller must not copy it around carelessly.
  const std::array<std::uint8_t, ValueBytes>& RevealBytes() const noexcept { return value_; }

 private:
  friend class KeyPair;
  friend struct apidetail::Access;
  explicit SecretKey(const std::array<std::uint8_t, ValueBytes>& value) : value_(value) {}
  std::array<std::uint8_t, ValueBytes> value_;
};

/// @brief How KeyPair::ToKeyFile writes a protected key file.
struct KeyFileOptions {
  /// The text form of the keys inside.
  TextForm form = TextForm::Radix64;
  /// Argon2id's passes; 0 for the default (libsodium's moderate limit, 3).
  std::uint64_t opsLimit = 0;
  /// Argon2id's memory in bytes; 0 for the default (libsodium's moderate limit, 256 MiB).
  std::size_t memLimit = 0;
};

/// @brief A secret key together with its public key.
class KeyPair {
 public:
  /// @brief A new random key pair: the secret drawn uniformly from [1, n).
  ///
  /// 304 bits from the operating system's random source (getrandom) are reduced modulo n in
  /// constant time, which is uniform on [0, n) to within a statistical distance below 2^-62; a
  /// zero (probability below 2^-240) is drawn again, a rejection that says nothing about the
  /// key accepted. The public key works with every operation of the component.
  /// @return the pair, or RandomSourceFailed.
  static Result<KeyPair> Generate();

  /// @brief The key pair the component's MakeKey derives from @p passPhrase (identical texts
  /// in both forms). The secret has 240 bits at most, below n: use Generate() for new keys.
  /// @return the pair, or MultipleOfOrder in the (practically impossible) case of a zero secret.
  static Result<KeyPair> FromPassPhrase(std::string_view passPhrase);

  /// @brief The pair of @p secret (its public key computed).
  /// @return the pair, or MultipleOfOrder for a key that has been moved from.
  static Result<KeyPair> FromSecretKey(SecretKey secret);

  /// @brief The key pair of a key file's @p text: a protected key file (opened with
  /// @p passPhrase) or a key file in clear (the component's stored properties; the pass phrase
  /// is not used). The files `eccrypt keygen` writes. (Defined with the file formats, in
  /// ECCrypt/formats/keyFile.cpp.)
  /// @return the pair, or an Error: WrongPassPhrase (the phrase does not open the file, or the
  ///   file was altered), Malformed (not a key file, or damaged), UnsupportedVersion (a later
  ///   format), OutOfRange (stored Argon2id limits beyond what is accepted: opslimit up to 16,
  ///   memlimit up to 1 GiB), a key's parse error, Internal (out of memory).
  static Result<KeyPair> FromKeyFile(std::string_view text, std::string_view passPhrase);

  /// @brief This pair as a protected key file sealed under @p passPhrase (Argon2id, then
  /// XChaCha20-Poly1305), the format `eccrypt keygen` writes and reads.
  /// @return the file's text, or an Error: PassPhraseRefused (empty, nothing visible, or a line
  ///   break or NUL in it), OutOfRange (limits outside those FromKeyFile accepts), Internal.
  Result<std::string> ToKeyFile(std::string_view passPhrase,
                                const KeyFileOptions& options = {}) const;

  /// @brief The public key.
  const eccrypt::PublicKey& PublicKey() const noexcept { return public_; }
  /// @brief The secret key.
  const SecretKey& Secret() const noexcept { return secret_; }

 private:
  KeyPair(const eccrypt::PublicKey& publicKey, SecretKey secret)
      : public_(publicKey), secret_(std::move(secret)) {}
  eccrypt::PublicKey public_;
  SecretKey secret_;
};

}  // namespace eccrypt
