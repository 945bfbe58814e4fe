// Fuzz target: the fast engine against the reference engine on the same inputs. Any difference
// in an output integer (value, length word and digits) or a verdict aborts.
//
// The first byte picks the operation; then come integer records (a length byte, two bytes per
// digit, high first; zero top digits allowed) and control bytes:
//   0: decompression and the group check of a value: a raw record of up to 19 digits, the
//      compressed form of a G, or of a G + T with T a point with coordinates in GF(2^15);
//   1: MakePublicKey(x);
//   2: EncryptSession(Q, k) with Q the compressed form of a G;
//   3: DecryptSession(x, E) with E the compressed form of a G;
//   4: MakeSignature(x, k, h);
//   5: CheckSignature(Q, h, r, s) on a signature made by the reference from x, k and h, then
//      altered as a control byte says (the digest, a half plus n, a half zero-led, a half
//      replaced by a record).
// Signature halves stay below 19 digits, as the component passes them: the reference's point
// multiplication refuses longer scalars (it throws), so a half plus n that carries into a 19th
// digit is left unaltered.
// Public keys and exchanged values go to the primitives only when the reference's group check
// accepts them, and nonces and digest integers are in normal form, as the component has them.
#include <cstddef>
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/engine.h"
#include "ECCrypt/fast/integerWords.h"
#include "ECCrypt/fast/publicVartime.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/params/curveParameters.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "ECCrypt/pk/engineChoice.h"
#include "fuzz/fuzzCheck.h"
#include "fuzz/fuzzInput.h"

namespace {

using eccrypt::TECCrypt;
using eccrypt::TecPoint;
using eccrypt::TvlPoint;
using eccrypt::fuzz::TFuzzInput;

// The longest secret the component passes: every integer the record holds.
constexpr std::int32_t ScalarDigits = TvlPoint::Capacity;
// Signature halves the component passes: fewer than 19 significant digits.
constexpr std::int32_t HalfDigits = TvlPoint::Capacity - 1;

// A nonce or a digest integer as the component makes them: in normal form (no zero top digits).
TvlPoint Normal(TFuzzInput& in) {
  return eccrypt::fuzz::Normalised(in.Record(HalfDigits));
}

// The same length word and the same digits below it.
bool Identical(const TvlPoint& a, const TvlPoint& b) {
  if (a.Words[0] != b.Words[0]) return false;
  for (std::int32_t i = 1; i <= a.Words[0]; ++i) {
    if (a.Words[static_cast<std::size_t>(i)] != b.Words[static_cast<std::size_t>(i)]) return false;
  }
  return true;
}

TECCrypt Key(const TvlPoint& v) {
  TECCrypt key;
  key.CopyFrom(v);
  return key;
}

TvlPoint Compressed(const TecPoint& p) {
  TvlPoint v;
  p.Compress(v);
  return v;
}

TecPoint BaseMultiple(const TvlPoint& a) {
  TecPoint p;
  p.LoadBase(true);
  p.Multiply(a);
  return p;
}

// A value that is not a plausible output, so that an output left unwritten shows.
TvlPoint Sentinel() {
  TvlPoint v;
  v.AssignSmall(0xBEEF);
  return v;
}

TvlPoint ZeroLed(const TvlPoint& v, std::int32_t length) {
  TvlPoint r;
  r.CopyFrom(v);
  for (std::int32_t i = v.Length() + 1; i <= length; ++i) r.Words[static_cast<std::size_t>(i)] = 0;
  if (length > v.Length()) r.Words[0] = length;
  return r;
}

TvlPoint Plus(const TvlPoint& a, const TvlPoint& b) {
  TvlPoint r;
  r.CopyFrom(a);
  r.Add(b);
  return r;
}

// a + n when that stays below 19 digits, as a signature half the component passes must;
// otherwise a itself.
TvlPoint PlusOrderWithinHalf(const TvlPoint& a, const TvlPoint& n) {
  TvlPoint sum = Plus(a, n);
  return sum.Length() <= HalfDigits ? sum : a;
}

TvlPoint ElementInteger(const eccrypt::fast::Fe& e) {
  eccrypt::fast::RefBits bits;
  eccrypt::fast::ToReferenceBasis(bits, e);
  TvlPoint v;
  eccrypt::fast::WordsToIntegerVartime(v, bits.w);
  return v;
}

void CheckGroupCheck(TFuzzInput& in) {
  const std::uint8_t source = in.Byte() % 3;
  TvlPoint v;
  if (source == 0) {
    v = in.Record(TvlPoint::Capacity);
  } else {
    TecPoint p = BaseMultiple(in.Record(HalfDigits));
    if (source == 2) {
      TecPoint t;
      const std::int32_t x = (in.Byte() * 256 + in.Byte()) & 32767;
      if (x != 0) t.x.AssignSmall(x);
      if (t.RecoverY(in.Byte() & 1)) p.Add(t);
    }
    v = Compressed(p);
  }
  const bool expected = TecPoint::IsCompressedGroupPoint(v);
  FUZZ_CHECK(eccrypt::fast::IsCompressedGroupPoint(v) == expected);

  eccrypt::fast::AffinePoint fast;
  if (!eccrypt::fast::DecompressVartime(fast, v)) return;
  TecPoint reference;
  reference.Decompress(v);  // the fast decoding found a point: the value is in range
  if (fast.infinity != 0) {
    FUZZ_CHECK(reference.IsZero());
    return;
  }
  TvlPoint x, y;
  reference.x.ToInteger(x);
  reference.y.ToInteger(y);
  FUZZ_CHECK(Identical(ElementInteger(fast.x), x));
  FUZZ_CHECK(Identical(ElementInteger(fast.y), y));
}

// The compressed form of a G, when it is a point of the group (a not a multiple of n).
bool GroupPoint(TFuzzInput& in, TvlPoint& out) {
  out = Compressed(BaseMultiple(in.Record(HalfDigits)));
  return TecPoint::IsCompressedGroupPoint(out);
}

void CheckSignatureRound(TFuzzInput& in) {
  const TECCrypt x = Key(in.Record(HalfDigits));
  const TvlPoint k = Normal(in);
  TvlPoint h = Normal(in);
  TvlPoint q, r, s;
  x.MakePublicKey(q);
  if (!TecPoint::IsCompressedGroupPoint(q)) return;
  x.MakeSignature(k, h, r, s);
  TvlPoint n;
  n.LoadOrder(true);
  switch (in.Byte() % 8) {
    case 1:
      h = Plus(h, Sentinel());
      break;
    case 2:
      r = ZeroLed(r, HalfDigits);
      break;
    case 3:
      s = ZeroLed(s, HalfDigits);
      break;
    case 4:
      r = PlusOrderWithinHalf(r, n);
      break;
    case 5:
      s = PlusOrderWithinHalf(s, n);
      break;
    case 6:
      r = in.Record(HalfDigits);
      break;
    case 7:
      s = in.Record(HalfDigits);
      break;
    default:
      break;
  }
  FUZZ_CHECK(eccrypt::fast::CheckSignature(q, h, r, s) == Key(q).CheckSignature(h, r, s));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  eccrypt::InitTables();
  eccrypt::SelectEngine(eccrypt::TEngine::Reference);  // TECCrypt below is the oracle
  TFuzzInput in(data, size);
  switch (in.Byte() % 6) {
    case 0:
      CheckGroupCheck(in);
      break;
    case 1: {
      const TECCrypt x = Key(in.Record(ScalarDigits));
      TvlPoint expected, actual;
      x.MakePublicKey(expected);
      eccrypt::fast::MakePublicKey(x, actual);
      FUZZ_CHECK(Identical(actual, expected));
      break;
    }
    case 2: {
      TvlPoint q;
      if (!GroupPoint(in, q)) break;
      const TvlPoint k = Normal(in);
      TvlPoint exchanged, session, fastExchanged, fastSession;
      Key(q).EncryptSession(k, exchanged, session);
      eccrypt::fast::EncryptSession(q, k, fastExchanged, fastSession);
      FUZZ_CHECK(Identical(fastExchanged, exchanged));
      FUZZ_CHECK(Identical(fastSession, session));
      break;
    }
    case 3: {
      TvlPoint e;
      if (!GroupPoint(in, e)) break;
      const TECCrypt x = Key(in.Record(ScalarDigits));
      TvlPoint expected = Sentinel(), actual = Sentinel();
      x.DecryptSession(e, expected);
      eccrypt::fast::DecryptSession(x, e, actual);
      FUZZ_CHECK(Identical(actual, expected));
      break;
    }
    case 4: {
      const TECCrypt x = Key(in.Record(ScalarDigits));
      const TvlPoint k = Normal(in);
      const TvlPoint h = Normal(in);
      TvlPoint r, s = Sentinel(), fastR, fastS = Sentinel();
      x.MakeSignature(k, h, r, s);
      eccrypt::fast::MakeSignature(x, k, h, fastR, fastS);
      FUZZ_CHECK(Identical(fastR, r));
      FUZZ_CHECK(Identical(fastS, s));
      break;
    }
    default:
      CheckSignatureRound(in);
      break;
  }
  return 0;
}
