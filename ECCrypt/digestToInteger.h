#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The folding of a 20-byte message digest d[0..19] into the integer that is signed and checked:
//
//   h = (...((d0 + 1)(3 d1 + 1) + (d0 + 1))(3 d2 + 1) + (d0 + 1) ...)(3 d19 + 1) + (d0 + 1)
//
// Every factor lies in 1..766 and h < 2^192, so h has at most 12 digits, is at least 20 and is
// below the group order n; it is used unreduced. Stored signatures depend on this exact folding.
//
// The folding is no hash: it maps many digests to one integer. Bytes 1 and 2 enter only
// through (3 d1 + 2)(3 d2 + 1), so (d1, d2) = (2, 0) and (0, 1) fold alike whatever the other
// bytes are. Only hash outputs should be signed (TEllipticCurve::Sign says so to its callers).
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {

inline constexpr int DigestBytes = 20;

// Reads digest[0..19] once each. h and h0 must be zero (new integers); h receives the folded
// value and h0 keeps d0 + 1, the term added after every step.
void DigestToInteger(const std::uint8_t* digest, TvlPoint& h, TvlPoint& h0);

}  // namespace eccrypt
