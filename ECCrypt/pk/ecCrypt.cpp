// The public-key primitives on top of the curve group. Every working point and integer is
// created per call and wiped when released.
#include "ECCrypt/pk/ecCrypt.h"

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfTables.h"

namespace eccrypt {

void TECCrypt::PrepareTables() {
  InitTables();
}

void TECCrypt::MakePublicKey(TvlPoint& out) const {
  TecPoint p;
  p.LoadBase(true);
  p.Multiply(*this);
  p.Compress(out);
}

void TECCrypt::EncryptSession(const TvlPoint& k, TvlPoint& exchanged, TvlPoint& session) const {
  // One working point serves both multiplications; when the public key has no point, it keeps
  // the y of k * G (callers validate the key first).
  TecPoint p;
  p.LoadBase(true);
  p.Multiply(k);
  p.Compress(exchanged);
  p.Decompress(*this);
  p.Multiply(k);
  p.XToInteger(session);
}

void TECCrypt::DecryptSession(const TvlPoint& e, TvlPoint& out) const {
  TecPoint p;
  TvlPoint t;
  p.Decompress(e);
  p.Multiply(*this);
  p.XToInteger(t);
  out.CopyFrom(t);
}

void TECCrypt::MakeSignature(const TvlPoint& k, const TvlPoint& h, TvlPoint& r, TvlPoint& s) const {
  TvlPoint n;
  n.LoadOrder(true);
  TecPoint p;
  p.LoadBase(true);
  TvlPoint c;

  p.Multiply(k);
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
  TvlPoint n;
  n.LoadOrder(true);
  TecPoint a;
  a.LoadBase(true);
  TecPoint b;
  TvlPoint c, d;

  a.Multiply(s);
  b.Decompress(*this);
  b.Multiply(r);
  a.Add(b);
  a.XToInteger(d);
  d.Remainder(n);
  // c := r - d, with n added first when d is larger (d < n, so c stays unsigned).
  c.CopyFrom(r);
  if (d.Greater(c)) c.Add(n);
  c.Subtract(d);
  return c.Equal(h);
}

}  // namespace eccrypt
