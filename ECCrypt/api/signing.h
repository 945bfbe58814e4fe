#pragma once
/// @file
/// @brief Signatures on 20-byte digests, the component's Sign and Verify.
///
/// A signature is the pair (r, s) with 0 < r < n and 0 < s < n, written "r:s", each half in
/// the text form of the component. SignDigest writes only this canonical form. Signature::Parse
/// also reads the component's own signatures, whose s is not reduced modulo n (below 2^272),
/// and keeps them reduced: they verify as before, and ToText() gives their canonical text.
///
/// Sign only hash outputs: the signature binds the digest through a folding into an integer
/// that maps some chosen 20-byte values to the same integer (see ECCrypt/ECCrypt.h, Sign).
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

namespace eccrypt {

/// @brief Size in bytes of a digest that SignDigest and VerifyDigest take.
inline constexpr std::size_t SignedDigestBytes = 20;

/// @brief A signature (r, s) in canonical form: 0 < r < n, 0 < s < n.
class Signature {
 public:
  /// @brief Reads "r:s" in either text form: hexadecimal when both halves are groups of four
  /// upper-case hexadecimal digits, radix-64 otherwise (both halves in one form).
  ///
  /// Each half must be the text the component writes for its number. s may be any value
  /// below 2^272 (the component's signer leaves s unreduced); it is kept modulo n.
  /// @return the signature, or an Error: MissingSeparator (no ':'), Empty, BadCharacter (a
  ///   second ':' among them), TooLong, NotCanonical, OutOfRange (r not below n),
  ///   MultipleOfOrder (s a multiple of n).
  static Result<Signature> Parse(std::string_view text);

  /// @brief The canonical text "r:s" in @p form.
  std::string ToText(TextForm form) const;

  /// @brief r as a 32-byte big-endian integer.
  const std::array<std::uint8_t, ValueBytes>& R() const noexcept { return r_; }
  /// @brief s (below n) as a 32-byte big-endian integer.
  const std::array<std::uint8_t, ValueBytes>& S() const noexcept { return s_; }

  /// @brief Whether both are the same signature.
  friend bool operator==(const Signature&, const Signature&) = default;

 private:
  friend struct apidetail::Access;
  Signature(const std::array<std::uint8_t, ValueBytes>& r,
            const std::array<std::uint8_t, ValueBytes>& s)
      : r_(r), s_(s) {}
  std::array<std::uint8_t, ValueBytes> r_;
  std::array<std::uint8_t, ValueBytes> s_;
};

/// @brief Signs a 20-byte @p digest with @p key: the component's signature, with a nonce drawn
/// uniformly from [1, n) (as KeyPair::Generate draws keys) and s canonical. Constant time in
/// the key and the nonce. The component's Verify accepts it.
/// @return the signature, or an Error: WrongLength (a digest not of 20 bytes), MultipleOfOrder
///   (a secret key that has been moved from), RandomSourceFailed.
Result<Signature> SignDigest(std::span<const std::uint8_t> digest, const SecretKey& key);

/// @brief Checks that @p signature is a signature of the 20-byte @p digest under @p key.
/// @return success, or an Error: WrongLength (a digest not of 20 bytes), BadSignature.
Result<void> VerifyDigest(std::span<const std::uint8_t> digest, const Signature& signature,
                          const PublicKey& key);

}  // namespace eccrypt
