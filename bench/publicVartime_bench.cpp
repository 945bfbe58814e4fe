// Speed of the fast engine's work on public data: decompression, the group check (Frobenius
// sum) beside the reference's multiplication by n, and signature verification beside the
// reference's two multiplications.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/fast/publicVartime.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "ECCrypt/pk/engineChoice.h"
#include "bench/benchSupport.h"

namespace {

using eccrypt::TECCrypt;
using eccrypt::TecPoint;
using eccrypt::TvlPoint;

// The signature these benchmarks work on: a 15-digit key, a 10-digit digest and a 17-digit
// nonce, each with bit 14 of its top digit set.
eccrypt::bench::TSignedDigest MakeSignature() {
  eccrypt::InitTables();
  return eccrypt::bench::SignedDigest(11, 0x4000);
}

void BM_FastDecompressVartime(benchmark::State& state) {
  const eccrypt::bench::TSignedDigest sig = MakeSignature();
  for (auto _ : state) {
    eccrypt::fast::AffinePoint p;
    benchmark::DoNotOptimize(eccrypt::fast::DecompressVartime(p, sig.q));
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_FastDecompressVartime)->Unit(benchmark::kMicrosecond);

// The group check: 0 = the reference (decompression and n * P), 1 = the Frobenius sum.
void BM_GroupCheck(benchmark::State& state) {
  const eccrypt::bench::TSignedDigest sig = MakeSignature();
  for (auto _ : state) {
    const bool ok = state.range(0) == 0 ? TecPoint::IsCompressedGroupPoint(sig.q)
                                        : eccrypt::fast::IsCompressedGroupPointVartime(sig.q);
    if (!ok) state.SkipWithError("public key refused");
    benchmark::DoNotOptimize(ok);
  }
}
BENCHMARK(BM_GroupCheck)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Signature verification: 0 = the reference, 1 = the fast engine.
void BM_CheckSignatureEngines(benchmark::State& state) {
  const eccrypt::bench::TSignedDigest sig = MakeSignature();
  TECCrypt key;
  key.CopyFrom(sig.q);
  const eccrypt::TEngine previous = eccrypt::ActiveEngine();
  eccrypt::SelectEngine(eccrypt::TEngine::Reference);
  for (auto _ : state) {
    const bool ok = state.range(0) == 0
                        ? key.CheckSignature(sig.h, sig.r, sig.s)
                        : eccrypt::fast::CheckSignatureVartime(sig.q, sig.h, sig.r, sig.s);
    if (!ok) state.SkipWithError("signature refused");
    benchmark::DoNotOptimize(ok);
  }
  eccrypt::SelectEngine(previous);
}
BENCHMARK(BM_CheckSignatureEngines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
