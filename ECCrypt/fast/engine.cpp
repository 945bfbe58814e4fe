// The fast engine's primitives: scalars reduced mod n on fixed limbs, k * G by the fixed-base
// windows, k * P by the x-only ladder, and the integer forms of the results. Every secret
// temporary is wiped before it goes out of scope.
#include "ECCrypt/fast/engine.h"

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/feLadder.h"
#include "ECCrypt/fast/fixedBase.h"
#include "ECCrypt/fast/ladder.h"
#include "ECCrypt/fast/limbs.h"
#include "ECCrypt/fast/point.h"
#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/fast/publicVartime.h"
#include "ECCrypt/fast/scalar.h"

namespace eccrypt::fast {
namespace {

template <class T>
void Wipe(T& value) {
  SecureWipe(&value, sizeof(value));
}

// out := X(k * P) for P given by the compressed value v. Where the field steps two ladders in
// one loop, P is decoded (it is public; right after its group check the check's own decoding is
// taken) and k P is k1 P + k2 psi(P) by two ladders of half the length.
void SessionX(const TvlPoint& v, const Scalar& k, TvlPoint& out) {
  Fe x;
  AffinePoint p;
  if (FeLadderWalkTwoInOneLoop() && DecompressCheckedVartime(p, v) && !AffineIsZeroVartime(p)) {
    LadderXSplit(x, p, k);
  } else {
    Fe px;
    XFromCompressed(px, v);
    LadderX(x, px, k);
    Wipe(px);
  }
  XToInteger(out, x);
  Wipe(x);
}

}  // namespace

void MakePublicKey(const TvlPoint& x, TvlPoint& out) {
  Scalar k;
  ScalarReduce(k, x);
  LdPoint p;
  BaseMultiplyProjective(p, k);
  CompressLdToInteger(out, p);
  CtDeclassify(out);
  Wipe(k);
  Wipe(p);
}

void EncryptSession(const TvlPoint& q, const TvlPoint& k, TvlPoint& exchanged, TvlPoint& session) {
  Scalar s;
  ScalarReduce(s, k);
  LdPoint p;
  BaseMultiplyProjective(p, s);
  CompressLdToInteger(exchanged, p);
  CtDeclassify(exchanged);
  SessionX(q, s, session);
  Wipe(s);
  Wipe(p);
}

void DecryptSession(const TvlPoint& x, const TvlPoint& e, TvlPoint& out) {
  Scalar s;
  ScalarReduce(s, x);
  SessionX(e, s, out);  // e is read before out is written, so out may be e
  Wipe(s);
}

void MakeSignature(const TvlPoint& x, const TvlPoint& k, const TvlPoint& h, TvlPoint& r,
                   TvlPoint& s) {
  Scalar kr;
  ScalarReduce(kr, k);
  AffinePoint p;
  BaseMultiply(p, kr);
  RefBits xBits;
  ToReferenceBasis(xBits, p.x);  // the zero point has x = 0, as its integer form does

  // r := (X + h) mod n on fixed limbs: X < 2^255 and h has at most 19 digits, so the sum needs
  // five limbs; it is handed to the reduction as a 19-digit integer whatever its value.
  std::uint64_t sum[5];
  LimbsFromVl(sum, 5, h);
  std::uint64_t carry = 0;
  for (int i = 0; i < 5; ++i) {
    const std::uint64_t add = i < 4 ? xBits.w[i] : 0;
    const std::uint64_t t = sum[i] + add;
    const std::uint64_t c1 = static_cast<std::uint64_t>(t < add);
    sum[i] = t + carry;
    carry = c1 | static_cast<std::uint64_t>(sum[i] < carry);
  }
  TvlPoint wide;
  LimbsToVl(wide, sum, 5);
  wide.Words[0] = TvlPoint::Capacity;  // leading zero digits: the length says nothing of X
  Scalar rs;
  ScalarReduce(rs, wide);
  CtDeclassify(rs);
  Wipe(kr);
  Wipe(p);
  Wipe(xBits);
  Wipe(sum);

  TvlPoint rOut;
  LimbsToVl(rOut, rs.w, 4);
  r.CopyFrom(rOut);
  if (r.IsZero()) return;  // s is left as it was passed
  SignatureS(s, x, k, r);
  CtDeclassify(s);
}

}  // namespace eccrypt::fast
