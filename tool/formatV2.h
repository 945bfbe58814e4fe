#pragma once
// The encrypted-file format, version 2: one file for several recipients. Integers are
// big-endian.
//
//   offset  size  field
//   0       8     magic "ECCRYPT" followed by the byte 0x1A (as in version 1)
//   8       1     format version, 2
//   9       2     number R of recipients, 1 to kMaxRecipients
//   11      ...   R recipient stanzas, each:
//                   1   text form of the exchanged value: 0 radix-64, 1 hexadecimal
//                   2   length L of the exchanged value text, 1 to kMaxExchangedValueLength
//                   L   exchanged value text (characters of its text form only)
//                   48  the file key sealed for this recipient
//   then    32    header MAC over every byte before it
//   then    24    secretstream header
//   then    ...   chunks exactly as in version 1; everything above is the additional data of
//                 the first chunk.
//
// A random 32-byte file key is drawn for each file. For each recipient the component agrees a
// session key with the recipient's public key; HKDF-SHA256 of it (input key material the
// session key text, salt the exchanged value text, context "eccrypt file v2 recipient" and the
// text-form byte) gives a wrapping key used once, which seals the file key with
// ChaCha20-Poly1305 (zero nonce, no additional data). HKDF-SHA256 of the file key (no salt,
// context "eccrypt file v2 payload") gives the stream key and then the MAC key; the MAC is
// HMAC-SHA-256. So every recipient can open only its own stanza, and the header as a whole
// (the number of recipients and every stanza) cannot be changed without the MAC failing.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "tool/byteStream.h"
#include "tool/fileFormat.h"

namespace eccrypt::tool {

inline constexpr std::uint8_t kFormatVersion2 = 2;
inline constexpr std::size_t kMaxRecipients = 1024;
inline constexpr std::size_t kFileKeyBytes = 32;
inline constexpr std::size_t kSealedFileKeyBytes = kFileKeyBytes + 16;
inline constexpr std::size_t kHeaderMacBytes = 32;

struct TRecipientStanza {
  TMode mode = TMode::Base64;
  std::string exchangedValue;
  std::array<std::uint8_t, kSealedFileKeyBytes> sealedFileKey{};
};

struct TFileHeaderV2 {
  std::vector<TRecipientStanza> stanzas;
  std::array<std::uint8_t, kHeaderMacBytes> mac{};
};

// Reads the magic and the version byte; throws TFormatError (NotEncrypted, Damaged, or
// UnsupportedVersion for a version above 2).
std::uint8_t ReadFormatVersion(TByteSource& source);

// The bytes of a version 2 header from the magic up to, not including, the MAC. Throws
// std::invalid_argument for stanzas out of the bounds the reader checks.
std::vector<std::uint8_t> EncodeHeaderV2Body(const TFileHeaderV2& header);

// Reads the rest of a version 2 header (stanzas and MAC) after ReadFormatVersion returned 2.
// Throws TFormatError.
TFileHeaderV2 ReadHeaderV2(TByteSource& source);

}  // namespace eccrypt::tool
