#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// TECCrypt: the public-key primitives. An integer whose own value is the key an operation
// needs (a secret key x, or a public key Q in compressed form); it adds no members.
//
// G is the base point and n its prime order. Outputs are integers the caller has created and
// passes in; pairs come in a fixed order (exchanged value then session key; r then s). No
// primitive changes the key, checks its inputs or reports an error: callers refuse keys and
// exchanged values that are not compressed multiples of G (TecPoint::IsCompressedGroupPoint)
// before they get here.
//
// Secret scalars (a secret key x, a random secret k) are reduced mod n before they multiply a
// point, which gives the same point for every point of <G>; so every integer the record holds,
// 19 digits included, is a usable secret, and x, x + n, x + 2n... act alike.
#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {

class TECCrypt : public TvlPoint {
 public:
  // Calls InitTables. The GF(2^15) tables are constant data, complete from program load on,
  // so nothing is left to build; every operation of the component still calls it first.
  void PrepareTables();

  // out := Compress(x * G). out must hold zero.
  void MakePublicKey(TvlPoint& out) const;
  // With Q = self: exchanged := Compress(k * G), session := X(k * Decompress(Q)), the integer
  // form of the x coordinate (below 2^255, not reduced mod n). Both outputs must hold zero and
  // be neither k nor the key itself.
  void EncryptSession(const TvlPoint& k, TvlPoint& exchanged, TvlPoint& session) const;
  // With x = self: out := X(x * Decompress(e)). The previous value of out is replaced; out may
  // be e.
  void DecryptSession(const TvlPoint& e, TvlPoint& out) const;
  // With x = self: r := (X(k * G) + h) mod n; when r is not zero, s := k - (x * r mod n), with n
  // added first when k is smaller, so s is congruent to k - x * r but not reduced. When r is
  // zero, s is not written. r must hold zero; r and s must not be k or h.
  void MakeSignature(const TvlPoint& k, const TvlPoint& h, TvlPoint& r, TvlPoint& s) const;
  // With Q = self: whether h = (r - (X(s * G + r * Decompress(Q)) mod n)) mod n, compared
  // exactly. Neither r nor s is range checked; s congruent to a valid s modulo n checks true.
  // r and s are taken by value: zero top digits (a text led by "0000" groups) change nothing,
  // and r below X(...) mod n gets n added, whatever its length word. The length words of r
  // and s must be below 19 (the point multiplication's limit; longer ones throw).
  bool CheckSignature(const TvlPoint& h, const TvlPoint& r, const TvlPoint& s) const;

  // Whether v is the compressed form of a point of <G> other than the zero point
  // (TecPoint::IsCompressedGroupPoint), on the selected engine.
  static bool IsCompressedGroupPoint(const TvlPoint& v);
};

static_assert(sizeof(TECCrypt) == sizeof(TvlPoint), "TECCrypt adds no members");

}  // namespace eccrypt
