// The fast engine's constant-time building blocks, on each multiplication path memcheck can run
// (it does not emulate 512-bit vector instructions, so the vpclmulqdq path is not checked here):
// every field operation and the basis change with secret operands.
#include <cstdio>
#include <cstring>
#include <string>

#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/engine.h"
#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/fixedBase.h"
#include "ECCrypt/fast/ladder.h"
#include "ECCrypt/fast/point.h"
#include "ECCrypt/fast/scalar.h"
#include "ctcheck/ctcheck.h"

namespace eccrypt::ctcheck {
namespace {

using namespace eccrypt::fast;

constexpr Fe A{
    {0x0123456789abcdefULL, 0xfedcba9876543210ULL, 0x0f1e2d3c4b5a6978ULL, 0x7a6b5c4d3e2f1001ULL}};
constexpr Fe B{
    {0x9e3779b97f4a7c15ULL, 0xbf58476d1ce4e5b9ULL, 0x94d049bb133111ebULL, 0x2545f4914f6cdd1dULL}};

// Every field operation on a and b; the results side by side.
struct FieldResults {
  Fe mul, sqr, sqrN, inv, sqrt, halfTrace, sel, swapA, swapB;
  Fe mul4[4], sqr4[4];
  std::uint64_t trace, isZero, equal;
};

[[gnu::noinline]] FieldResults FieldOps(const Fe& a, const Fe& b) {
  FieldResults r{};
  FeMul(r.mul, a, b);
  FeSqr(r.sqr, a);
  FeSqrN(r.sqrN, b, 15);
  FeInvert(r.inv, a);
  FeSqrt(r.sqrt, b);
  FeHalfTrace(r.halfTrace, a);
  const Fe as[4] = {a, b, r.mul, r.sqr};
  const Fe bs[4] = {b, a, r.inv, r.sqrN};
  FeMul4(r.mul4, as, bs);
  FeSqr4(r.sqr4, as);
  r.trace = FeTrace(a);
  r.isZero = FeIsZeroMask(a);
  r.equal = FeEqualMask(a, b);
  FeSelect(r.sel, r.trace & 1 ? ~0ULL : 0, a, b);
  r.swapA = a;
  r.swapB = b;
  FeCondSwap(r.swapA, r.swapB, CtMaskFromBit(a.w[0]));
  return r;
}

bool Field(const char* path) {
  if (!FeUseImplementation(path)) {
    std::fprintf(stderr, "path %s not available here; skipped\n", path);
    return true;
  }
  const FieldResults expected = FieldOps(A, B);
  Fe a = A, b = B;
  CtPoison(&a, sizeof(a));
  CtPoison(&b, sizeof(b));
  const FieldResults got = FieldOps(a, b);
  CtUnpoison(&got, sizeof(got));
  return Expect(std::memcmp(&got, &expected, sizeof(got)) == 0,
                (std::string("field operations on path ") + path).c_str());
}

bool Basis() {
  RefBits in{{A.w[0], A.w[1], A.w[2], A.w[3] >> 1}};
  Fe fe{};
  RefBits back{};
  FromReferenceBasis(fe, in);
  const Fe expectedFe = fe;
  const std::uint64_t expectedBit = ReferenceLowBit(fe);

  CtPoison(&in, sizeof(in));
  FromReferenceBasis(fe, in);
  ToReferenceBasis(back, fe);
  std::uint64_t bit = ReferenceLowBit(fe);
  CtUnpoison(&fe, sizeof(fe));
  CtUnpoison(&in, sizeof(in));
  CtUnpoison(&back, sizeof(back));
  CtUnpoison(&bit, sizeof(bit));
  return Expect(std::memcmp(&fe, &expectedFe, sizeof(fe)) == 0, "FromReferenceBasis") &&
         Expect(std::memcmp(&back, &in, sizeof(in)) == 0, "ToReferenceBasis inverts it") &&
         Expect(bit == expectedBit, "ReferenceLowBit");
}

// An integer with the given number of digits (a fixed, arbitrary pattern).
TvlPoint Digits(int count, std::int32_t seed) {
  TvlPoint v;
  v.Words[0] = count;
  for (int i = 1; i <= count; ++i) {
    v.Words[static_cast<std::size_t>(i)] = (seed * i * 40503 + 12345) & 0xFFFF;
  }
  v.Words[static_cast<std::size_t>(count)] |= 1;
  return v;
}

struct ScalarResults {
  Scalar reduced;
  std::uint64_t isZero;
  TvlPoint s;
};

[[gnu::noinline]] ScalarResults ScalarOps(const TvlPoint& x, const TvlPoint& k, const TvlPoint& r) {
  ScalarResults out{};
  ScalarReduce(out.reduced, k);
  out.isZero = ScalarIsZeroMask(out.reduced);
  SignatureS(out.s, x, k, r);
  return out;
}

// Scalar reduction and the signing equation with the key and the nonce secret (r is public).
bool Scalars() {
  const TvlPoint r = Digits(15, 3);
  bool ok = true;
  for (int kDigits : {3, 17, 19}) {
    TvlPoint x = Digits(16, 7);
    TvlPoint k = Digits(kDigits, 11);
    const ScalarResults expected = ScalarOps(x, k, r);
    CtPoison(&x, sizeof(x));
    CtPoison(&k, sizeof(k));
    ScalarResults got = ScalarOps(x, k, r);
    CtUnpoison(&got, sizeof(got));
    ok = Expect(std::memcmp(&got, &expected, sizeof(got)) == 0, "ScalarReduce, SignatureS") && ok;
  }
  return ok;
}

struct PointResults {
  Fe ladderX, ladderXSplit;
  AffinePoint ladderPoint, base;
};

[[gnu::noinline]] PointResults PointOps(const Scalar& k) {
  const AffinePoint g{kBaseX, kBaseY, 0};
  PointResults out{};
  LadderX(out.ladderX, g.x, k);
  LadderXSplit(out.ladderXSplit, g, k);
  LadderPoint(out.ladderPoint, g, k);
  BaseMultiply(out.base, k);
  return out;
}

// The ladder (x only, by the split scalar's two ladders, and with y recovered) and the fixed-base
// multiplication with a secret scalar, on one multiplication path: a full-size scalar and zero (the
// zero point).
bool Points(const char* path) {
  if (!FeUseImplementation(path)) {
    std::fprintf(stderr, "path %s not available here; skipped\n", path);
    return true;
  }
  bool ok = true;
  for (const Scalar& scalar :
       {Scalar{{0x9e3779b97f4a7c15, 0xbf58476d1ce4e5b9, 0x94d049bb133111eb, 0xd6e8feb86659}},
        Scalar{{0, 0, 0, 0}}}) {
    const PointResults expected = PointOps(scalar);
    Scalar k = scalar;
    CtPoison(&k, sizeof(k));
    PointResults got = PointOps(k);
    CtUnpoison(&got, sizeof(got));
    ok = Expect(std::memcmp(&got, &expected, sizeof(got)) == 0,
                "LadderX, LadderXSplit, LadderPoint, BaseMultiply") &&
         ok;
  }
  return ok;
}

struct PrimitiveResults {
  TvlPoint publicKey, exchanged, session, decrypted, r, s;
};

[[gnu::noinline]] PrimitiveResults Primitives(const TvlPoint& x, const TvlPoint& k,
                                              const TvlPoint& q, const TvlPoint& e,
                                              const TvlPoint& h) {
  PrimitiveResults out{};
  MakePublicKey(x, out.publicKey);
  EncryptSession(q, k, out.exchanged, out.session);
  DecryptSession(x, e, out.decrypted);
  MakeSignature(x, k, h, out.r, out.s);
  return out;
}

// The four primitives TECCrypt runs on secrets, with the secret key x and the nonce or ephemeral
// scalar k secret, on one multiplication path. Keys of 15 digits (as MakeKey makes), k of 17 (as
// the random source gives) and 18.
bool EnginePrimitives(const char* path) {
  if (!FeUseImplementation(path)) {
    std::fprintf(stderr, "path %s not available here; skipped\n", path);
    return true;
  }
  TvlPoint q, e;
  MakePublicKey(Digits(15, 5), q);
  MakePublicKey(Digits(16, 6), e);
  const TvlPoint h = Digits(10, 4);
  bool ok = true;
  for (const int kDigits : {17, 18}) {
    TvlPoint x = Digits(15, 7);
    TvlPoint k = Digits(kDigits, 11);
    const PrimitiveResults expected = Primitives(x, k, q, e, h);
    CtPoison(&x, sizeof(x));
    CtPoison(&k, sizeof(k));
    PrimitiveResults got = Primitives(x, k, q, e, h);
    CtUnpoison(&got, sizeof(got));
    ok = Expect(std::memcmp(&got, &expected, sizeof(got)) == 0,
                "MakePublicKey, EncryptSession, DecryptSession, MakeSignature") &&
         ok;
  }
  return ok;
}

constexpr TCase Cases[] = {
    {"engine.primitives.portable", [] { return EnginePrimitives("portable"); }},
    {"engine.primitives.lanes", [] { return EnginePrimitives("lanes"); }},
    {"engine.primitives.pclmulqdq", [] { return EnginePrimitives("pclmulqdq"); }},
    {"engine.points.portable", [] { return Points("portable"); }},
    {"engine.points.lanes", [] { return Points("lanes"); }},
    {"engine.points.pclmulqdq", [] { return Points("pclmulqdq"); }},
    {"engine.field.portable", [] { return Field("portable"); }},
    {"engine.field.lanes", [] { return Field("lanes"); }},
    {"engine.field.pclmulqdq", [] { return Field("pclmulqdq"); }},
    {"engine.basis", Basis},
    {"engine.scalar", Scalars},
};

}  // namespace

std::span<const TCase> EngineCases() {
  return Cases;
}

}  // namespace eccrypt::ctcheck
