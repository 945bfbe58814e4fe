#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The fast engine's public-key primitives, the one seam TECCrypt calls.
//
// Each function computes exactly what the reference primitive of the same name in
// ECCrypt/pk/ecCrypt.h computes, on the same integers, for every input the component can pass
// (keys and exchanged values already checked by IsCompressedGroupPoint; scalars of up to 19
// digits, reduced mod n first; multiples of n give the zero point). Secret scalars (x, k) are
// handled in constant time; CheckSignature and IsCompressedGroupPoint work on public data and
// may take variable time (their internals say so in their names).
#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::fast {

// out := Compress(x * G).
void MakePublicKey(const TvlPoint& x, TvlPoint& out);
// exchanged := Compress(k * G), session := X(k * Decompress(q)).
void EncryptSession(const TvlPoint& q, const TvlPoint& k, TvlPoint& exchanged, TvlPoint& session);
// out := X(x * Decompress(e)).
void DecryptSession(const TvlPoint& x, const TvlPoint& e, TvlPoint& out);
// r := (X(k * G) + h) mod n; when r is not zero, s := k - (x * r mod n) (n added first when k
// is smaller).
void MakeSignature(const TvlPoint& x, const TvlPoint& k, const TvlPoint& h, TvlPoint& r,
                   TvlPoint& s);
// Whether h = (r - (X(s * G + r * Decompress(q)) mod n)) mod n, compared exactly.
bool CheckSignature(const TvlPoint& q, const TvlPoint& h, const TvlPoint& r, const TvlPoint& s);
// Whether v is the compressed form of a point of <G> other than the zero point.
bool IsCompressedGroupPoint(const TvlPoint& v);

}  // namespace eccrypt::fast
