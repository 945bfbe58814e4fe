#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The fast engine's operations on public data: decompression, the group check and signature
// verification. All take variable time (their inputs are public keys, exchanged values and
// signatures), and engine.cpp's IsCompressedGroupPoint and CheckSignature are these functions.
#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/point.h"

namespace eccrypt::fast {

// Decodes the compressed value v as the reference decompression does: x from v div 2 in the
// reference basis; x = 0 gives the zero point for v = 0 and (0, sqrt(b)) for v = 1; x^3 = b gives
// y = 0; otherwise y = x * z with z^2 + z = x + b / x^2 and the reference low bit of z equal to
// v mod 2. Returns false, p unspecified, when v is 2^256 or more (by value: zero top digits do
// not count) or when no point has that x.
bool DecompressVartime(AffinePoint& p, const TvlPoint& v);
// DecompressVartime for the group check: the value and its point are kept as this thread's last
// checked key.
bool DecompressForGroupCheckVartime(AffinePoint& p, const TvlPoint& v);
// DecompressVartime that takes the point of this thread's last checked key when v has its value;
// either way the kept key is dropped, so it serves only the first decoding after its check.
bool DecompressCheckedVartime(AffinePoint& p, const TvlPoint& v);

// Whether p, a point of the curve, lies in <G> (the zero point does): Phi(p) = O, see
// groupCheckVartime.cpp for why that is exact.
bool InGroupVartime(const AffinePoint& p);

// Whether v is the compressed form of a point of <G> other than the zero point.
bool IsCompressedGroupPointVartime(const TvlPoint& v);

// Whether h = (r - (X(s * G + r * Q) mod n)) mod n, compared as the reference compares the
// integers (r and h as written, not reduced), with Q = Decompress(q). q must be the compressed
// form of a point of <G> (the component checks every public key first): then r and s are
// reduced mod n before the multiplication. A q that does not decode checks false.
bool CheckSignatureVartime(const TvlPoint& q, const TvlPoint& h, const TvlPoint& r,
                           const TvlPoint& s);

}  // namespace eccrypt::fast
