// The public-key primitives. With the fast engine selected (the default) each one hands its
// integers to ECCrypt/fast; otherwise it runs the reference arithmetic of the curve group below,
// the oracle the fast engine is tested against. Every working point and integer is created per
// call and wiped when released.
#include "ECCrypt/pk/ecCrypt.h"

#include "ECCrypt/bigint/signatureEquation.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/fast/engine.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/pk/engineChoice.h"

namespace eccrypt {
namespace {

// k mod n, the scalar a secret key or a random secret is multiplied by. Every point multiplied by
// a secret is in <G> (callers refuse other keys and exchanged values), so (k mod n) * P = k * P
// for every k the integer record holds, 19 digits included, which the point multiplication
// could not take as they are.
TvlPoint ReducedScalar(const TvlPoint& k) {
  TvlPoint n, reduced;
  n.LoadOrder(true);
  reduced.CopyFrom(k);
  reduced.Remainder(n);
  return reduced;
}

}  // namespace

void TECCrypt::PrepareTables() {
  InitTables();
}

void TECCrypt::MakePublicKey(TvlPoint& out) const {
  if (ActiveEngine() == TEngine::Fast) {
    fast::MakePublicKey(*this, out);
    return;
  }
  TecPoint p;
  p.LoadBase(true);
  p.Multiply(ReducedScalar(*this));
  p.Compress(out);
}

void TECCrypt::EncryptSession(const TvlPoint& k, TvlPoint& exchanged, TvlPoint& session) const {
  if (ActiveEngine() == TEngine::Fast) {
    fast::EncryptSession(*this, k, exchanged, session);
    return;
  }
  // One working point serves both multiplications; when the public key has no point, it keeps
  // the y of k * G (callers validate the key first).
  const TvlPoint scalar = ReducedScalar(k);
  TecPoint p;
  p.LoadBase(true);
  p.Multiply(scalar);
  p.Compress(exchanged);
  p.Decompress(*this);
  p.Multiply(scalar);
  p.XToInteger(session);
}

void TECCrypt::DecryptSession(const TvlPoint& e, TvlPoint& out) const {
  if (ActiveEngine() == TEngine::Fast) {
    fast::DecryptSession(*this, e, out);
    return;
  }
  TecPoint p;
  TvlPoint t;
  p.Decompress(e);
  p.Multiply(ReducedScalar(*this));
  p.XToInteger(t);
  out.CopyFrom(t);
}

void TECCrypt::MakeSignature(const TvlPoint& k, const TvlPoint& h, TvlPoint& r, TvlPoint& s) const {
  if (ActiveEngine() == TEngine::Fast) {
    fast::MakeSignature(*this, k, h, r, s);
    return;
  }
  TvlPoint n;
  n.LoadOrder(true);
  TecPoint p;
  p.LoadBase(true);
  TvlPoint c;

  p.Multiply(ReducedScalar(k));  // s below is made from k itself, not reduced
  p.XToInteger(r);
  r.Add(h);
  r.Remainder(n);
  if (r.IsZero()) return;  // s is left as it was passed

  c.MulMod(*this, r, n);
  s.CopyFrom(k);
  if (c.Greater(s)) s.Add(n);
  s.Subtract(c);
}

bool TECCrypt::CheckSignature(const TvlPoint& h, const TvlPoint& r, const TvlPoint& s) const {
  if (ActiveEngine() == TEngine::Fast) return fast::CheckSignature(*this, h, r, s);
  TecPoint a;
  a.LoadBase(true);
  TecPoint b;
  TvlPoint x;

  a.Multiply(s);
  b.Decompress(*this);
  b.Multiply(r);
  a.Add(b);
  a.XToInteger(x);
  return SignatureEquationHolds(x, h, r);  // the comparison both engines share
}

bool TECCrypt::IsCompressedGroupPoint(const TvlPoint& v) {
  if (ActiveEngine() == TEngine::Fast) return fast::IsCompressedGroupPoint(v);
  return TecPoint::IsCompressedGroupPoint(v);
}

}  // namespace eccrypt
