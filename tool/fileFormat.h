#pragma once
// The encrypted-file format, version 1. All integers are big-endian.
//
//   offset  size  field
//   0       8     magic "ECCRYPT" followed by the byte 0x1A
//   8       1     format version, 1
//   9       1     text form of the exchanged value: 0 radix-64, 1 hexadecimal (the IOMode)
//   10      2     length L of the exchanged value text, 1 to kMaxExchangedValueLength
//   12      L     exchanged value text (characters of its text form only)
//   12+L    16    key check: derived from the session key beside the stream key
//   28+L    24    secretstream header
//   52+L    ...   chunks: each kChunkBytes of plaintext sealed into kChunkBytes + 17 bytes,
//                 except the last, which is shorter (possibly empty) and carries the FINAL
//                 tag. The whole header above is the additional data of the first chunk.
//
// Reading is strict and bounded: every length is checked before it is used, and a header that
// parses is byte for byte the one EncodeHeader writes for it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "tool/byteStream.h"

namespace eccrypt::tool {

inline constexpr std::array<std::uint8_t, 8> kMagic = {'E', 'C', 'C', 'R', 'Y', 'P', 'T', 0x1A};
inline constexpr std::uint8_t kFormatVersion = 1;
// The longest text of an integer of the component is 76 hexadecimal characters; the bound
// leaves room and still keeps a hostile length harmless.
inline constexpr std::size_t kMaxExchangedValueLength = 256;
inline constexpr std::size_t kKeyCheckBytes = 16;
inline constexpr std::size_t kStreamHeaderBytes = 24;
inline constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;
inline constexpr std::size_t kChunkOverheadBytes = 17;

struct TFileHeader {
  TMode mode = TMode::Base64;
  std::string exchangedValue;
  std::array<std::uint8_t, kKeyCheckBytes> keyCheck{};
  std::array<std::uint8_t, kStreamHeaderBytes> streamHeader{};
};

// What is wrong with an encrypted file, from the reader's point of view.
enum class TFormatFault {
  NotEncrypted,        // no magic: some other kind of file
  UnsupportedVersion,  // a later format version
  Damaged,             // a header field out of its bounds
  Truncated,           // the data ends inside the header or at a chunk boundary
  WrongKey,            // the key check does not match: not encrypted for this key
  Tampered,            // a chunk fails authentication (altered, or cut inside it)
  TrailingData,        // bytes after a final chunk that authenticated: all plaintext was given
};

class TFormatError : public std::runtime_error {
 public:
  TFormatError(TFormatFault fault, const std::string& message)
      : std::runtime_error(message), fault_(fault) {}
  TFormatFault Fault() const { return fault_; }

 private:
  TFormatFault fault_;
};

// True when every character belongs to the text form of the mode (upper-case hexadecimal or
// the radix-64 alphabet).
bool IsTextOfMode(std::string_view text, TMode mode);

// The header's bytes as written to a file. The exchanged value must satisfy the bounds that
// ReadHeader checks (throws std::invalid_argument otherwise).
std::vector<std::uint8_t> EncodeHeader(const TFileHeader& header);

// Reads and checks a header from the start of a source (version 1 only). Throws TFormatError.
TFileHeader ReadHeader(TByteSource& source);

// Reads the rest of a version 1 header, after its magic and version byte. Throws TFormatError.
TFileHeader ReadHeaderAfterVersion(TByteSource& source);

// The header fields every format version stores alike, read and written the same way by each.

// Reads exactly `buffer.size()` bytes, or throws TFormatError (Truncated) naming `what`.
void ReadHeaderField(TByteSource& source, std::span<std::uint8_t> buffer, const char* what);

// Reads the magic and the version byte and returns the version, 1 to `newest`. Throws
// TFormatError: NotEncrypted, Damaged (version 0), or UnsupportedVersion above `newest`, whose
// message says what this reader reads (`known`, e.g. "version 1").
std::uint8_t ReadMagicAndVersion(TByteSource& source, std::uint8_t newest, std::string_view known);

// An exchanged value is stored as its text form (one byte: 0 radix-64, 1 hexadecimal), the
// length of its text (two bytes, 1 to kMaxExchangedValueLength) and the text (characters of its
// form only).

// Appends an exchanged value; throws std::invalid_argument outside the bounds the reader checks.
void AppendExchangedValue(std::vector<std::uint8_t>& bytes, TMode mode, const std::string& text);

// Reads an exchanged value into `mode` and `text`. `what` names it if the file ends inside its
// first three bytes; `valueName` leads the message when its text has characters outside its
// form ("the exchanged value"). Throws TFormatError (Truncated or Damaged).
void ReadExchangedValue(TByteSource& source, const char* what, std::string_view valueName,
                        TMode& mode, std::string& text);

}  // namespace eccrypt::tool
