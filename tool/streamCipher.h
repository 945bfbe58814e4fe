#pragma once
// Encryption and decryption of a whole stream in the encrypted-file format (fileFormat.h).
//
// Memory use is two chunk buffers whatever the data size. Decryption writes to the sink only
// plaintext whose chunk has been authenticated; the caller still decides what to do with that
// output if a later chunk fails (the tool names a new file only on success, and reports how
// much went out when it streams to standard output, a device or a FIFO).
#include <cstdint>
#include <span>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "tool/byteStream.h"
#include "tool/fileFormat.h"
#include "tool/fileKeys.h"

namespace eccrypt::tool {

class TProgressMeter;

// Writes the header (mode, exchanged value, key check from `keys`, a fresh stream header) and
// then all of `input`, sealed.
void EncryptStream(TMode mode, std::string_view exchangedValue, const TFileKeys& keys,
                   TByteSource& input, TByteSink& output, TProgressMeter* progress = nullptr);

// Checks the key and decrypts the chunks that follow a header already read by ReadHeader.
// Throws TFormatError: WrongKey, Tampered, Truncated, Damaged, or TrailingData (bytes after the
// final chunk, once all of the plaintext has been written).
void DecryptStream(const TFileHeader& header, const TFileKeys& keys, TByteSource& input,
                   TByteSink& output, TProgressMeter* progress = nullptr);

// The same chunked stream after any header: writes `prefix` and a fresh stream header, then all
// of `input` sealed under the 32-byte `streamKey`; prefix and stream header are the
// additional data of the first chunk.
void SealStream(std::span<const std::uint8_t> prefix, const std::uint8_t* streamKey,
                TByteSource& input, TByteSink& output, TProgressMeter* progress = nullptr);

// Reads the stream header that follows `prefix` (already read from `input`) and decrypts the
// chunks. Throws TFormatError: Tampered, Truncated, Damaged or TrailingData.
void OpenStream(std::span<const std::uint8_t> prefix, const std::uint8_t* streamKey,
                TByteSource& input, TByteSink& output, TProgressMeter* progress = nullptr);

}  // namespace eccrypt::tool
