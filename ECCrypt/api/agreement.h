#pragma once
/// @file
/// @brief Key agreement: a session key for the holder of a public key, compatible with the
/// component's Encrypt and Decrypt.
///
/// Encapsulate(recipient) draws a random secret k and gives the exchanged value E = k·G, to be
/// sent to the recipient, and the session key X(k·Q). Decapsulate(E, x) gives the recipient the
/// same session key X(x·E). The texts are the component's: E is its ExchangedValue and the
/// session key's text is its KeySession, in either form, so either side may be the component.
///
/// The raw session key is the x coordinate of a curve point, not a uniformly random string:
/// it must go through a key derivation function before it is used as a symmetric key.
/// SessionKey::SymmetricKey() is that derivation, done by the library (see there).
///
/// Contract: bad input gives an Error, never an exception; no function modifies its arguments
/// or any other key of the caller.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ECCrypt/api/keys.h"
#include "ECCrypt/api/result.h"

namespace eccrypt {

/// @brief The value a sender hands to the holder of the secret key: a point of the group,
/// other than the zero point, in compressed form (the component's ExchangedValue).
class ExchangedValue {
 public:
  /// @brief Reads an exchanged value from its text, in either form (told as PublicKey::Parse
  /// tells it).
  /// @return the value, or an Error: Empty, BadCharacter, TooLong, NotCanonical,
  ///   NotAGroupPoint.
  static Result<ExchangedValue> Parse(std::string_view text);
  /// @brief Reads an exchanged value from its 32 bytes (see ToBytes()).
  /// @return the value, or an Error: WrongLength, NotAGroupPoint.
  static Result<ExchangedValue> FromBytes(std::span<const std::uint8_t> bytes);

  /// @brief The value's text in @p form, the text the component writes for it.
  std::string ToText(TextForm form) const;
  /// @brief The compressed point as a 32-byte big-endian integer.
  const std::array<std::uint8_t, ValueBytes>& ToBytes() const noexcept { return value_; }

  /// @brief Whether both are the same value.
  friend bool operator==(const ExchangedValue&, const ExchangedValue&) = default;

 private:
  friend struct apidetail::Access;
  explicit ExchangedValue(const std::array<std::uint8_t, ValueBytes>& value) : value_(value) {}
  std::array<std::uint8_t, ValueBytes> value_;
};

/// @brief An agreed session key. Move-only; wiped when destroyed or moved from.
class SessionKey {
 public:
  /// @brief Takes @p other's key; @p other is wiped (zero).
  SessionKey(SessionKey&& other) noexcept;
  /// @brief Takes @p other's key in place of this one's; @p other is wiped (zero).
  SessionKey& operator=(SessionKey&& other) noexcept;
  SessionKey(const SessionKey&) = delete;  ///< Not copyable: no copy of a secret by accident.
  SessionKey& operator=(const SessionKey&) = delete;  ///< Not copyable.
  /// @brief Wipes the key.
  ~SessionKey();

  /// @brief 32 bytes for symmetric use:
  /// HKDF-SHA-256 (RFC 5869) with IKM = RawBytes(), an empty salt, L = 32 and
  /// info = the 22 ASCII bytes "eccrypt session key v1", then E, then Q, where E is the
  /// exchanged value and Q the recipient's public key, each as 32 bytes (ToBytes()). Binding E
  /// and Q makes the key belong to this one exchange with this one recipient.
  const std::array<std::uint8_t, ValueBytes>& SymmetricKey() const noexcept { return key_; }

  /// @brief The raw session key: the x coordinate's integer form, 32 bytes big-endian (what
  /// the component's KeySessionBytes gives). Not uniformly random: never use it as a key
  /// without a key derivation function; SymmetricKey() is one.
  const std::array<std::uint8_t, ValueBytes>& RawBytes() const noexcept { return raw_; }

  /// @brief The raw session key's text in @p form: the component's KeySession. The caller
  /// owns this copy of the secret and should wipe it when done.
  std::string ExportText(TextForm form) const;

 private:
  friend struct apidetail::Access;
  SessionKey(const std::array<std::uint8_t, ValueBytes>& raw,
             const std::array<std::uint8_t, ValueBytes>& key)
      : raw_(raw), key_(key) {}
  std::array<std::uint8_t, ValueBytes> raw_;
  std::array<std::uint8_t, ValueBytes> key_;
};

/// @brief What Encapsulate gives the sender: the value to send and the session key to keep.
struct Encapsulation {
  ExchangedValue Exchanged;  ///< Send this to the recipient.
  SessionKey Session;        ///< Keep this; the recipient's Decapsulate gives the same key.
};

/// @brief Agrees a new session key with the holder of @p recipient's secret key.
///
/// Draws k uniformly from [1, n) (as KeyPair::Generate draws keys) and computes in constant
/// time in k. The component's Decrypt, given the recipient's secret key and the exchanged
/// value's text, gives the session key's text.
/// @return the exchanged value and the session key, or RandomSourceFailed.
Result<Encapsulation> Encapsulate(const PublicKey& recipient);

/// @brief The session key that the sender of @p exchanged agreed with the holder of @p key.
///
/// A value sent to another key gives another session key, not an error: only the use of the
/// key (a message authentication code, an authenticated cipher) can tell.
/// @return the session key, or MultipleOfOrder for a secret key that has been moved from.
Result<SessionKey> Decapsulate(const ExchangedValue& exchanged, const SecretKey& key);

/// @brief Decapsulate(exchanged, pair.Secret()) without computing the pair's public key again
/// (which takes about as long as the rest): the same session key.
/// @return the session key, or MultipleOfOrder for a key pair that has been moved from.
Result<SessionKey> Decapsulate(const ExchangedValue& exchanged, const KeyPair& pair);

}  // namespace eccrypt
