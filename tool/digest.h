#pragma once
// The digests of a file that signatures are made over.
//
// A bare signature signs a 20-byte digest of the file: by default the first 20 bytes of SHA-256.
// Truncation keeps SHA-256's one-wayness, and its collision resistance becomes 80 bits (the
// birthday bound of a 160-bit output); SHA-1's is broken in practice, so SHA-1 is offered only to
// check signatures made elsewhere with it. A signature file takes the whole SHA-256 of the file
// (its prehash) into the value it signs (ECCrypt/formats/messageSignature.h).
//
// Both hashes come from OpenSSL's EVP interface, whose SHA-256 uses the processor's SHA
// instructions where it has them.
#include <array>
#include <cstdint>

#include "ECCrypt/formats/messageSignature.h"
#include "tool/byteStream.h"

namespace eccrypt::tool {

enum class TDigestKind { Sha256Truncated, Sha1 };

using TDigest = std::array<std::uint8_t, 20>;
using TPrehash = MessagePrehash;  // the library's prehashed signing takes it

// Hashes everything the source holds, in constant memory.
TDigest DigestOf(TByteSource& source, TDigestKind kind);

// The whole SHA-256 of everything the source holds, in constant memory.
TPrehash Sha256Of(TByteSource& source);

// Both digests of one pass over the source, to tell which one a signature was made with.
struct TBothDigests {
  TDigest sha256Truncated{};
  TDigest sha1{};
  const TDigest& Of(TDigestKind kind) const {
    return kind == TDigestKind::Sha1 ? sha1 : sha256Truncated;
  }
};
TBothDigests BothDigestsOf(TByteSource& source);

const char* DigestName(TDigestKind kind);

}  // namespace eccrypt::tool
