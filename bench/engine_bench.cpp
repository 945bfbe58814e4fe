// The public-key primitives and the group check (TECCrypt::IsCompressedGroupPoint) on each
// engine: argument 0 the reference, 1 the fast one (the one TECCrypt runs by default).
// bench/report.py --peers sets them side by side and against the peers. The engine in use before
// a benchmark is restored after it, so that the component's benchmarks keep the default whatever
// order the benchmarks run in.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "ECCrypt/fast/fe.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "ECCrypt/pk/engineChoice.h"
#include "bench/benchSupport.h"

namespace {

using eccrypt::TECCrypt;
using eccrypt::TEngine;
using eccrypt::TvlPoint;
using eccrypt::bench::Integer;
using eccrypt::bench::PublicKey;

// Selects the benchmark's engine for its lifetime and labels the run with the path taken.
class TEngineScope {
 public:
  explicit TEngineScope(benchmark::State& state) : previous_(eccrypt::ActiveEngine()) {
    const bool fast = state.range(0) == 1;
    eccrypt::SelectEngine(fast ? TEngine::Fast : TEngine::Reference);
    state.SetLabel(fast ? eccrypt::fast::FeImplementation() : "reference");
  }
  TEngineScope(const TEngineScope&) = delete;
  TEngineScope& operator=(const TEngineScope&) = delete;
  ~TEngineScope() { eccrypt::SelectEngine(previous_); }

 private:
  TEngine previous_;
};

void BM_Engine_MakePublicKey(benchmark::State& state) {
  const TEngineScope engine(state);
  eccrypt::bench::TimeMakePublicKey(state);
}

void BM_Engine_EncryptSession(benchmark::State& state) {
  const TEngineScope engine(state);
  eccrypt::bench::TimeEncryptSession(state);
}

void BM_Engine_DecryptSession(benchmark::State& state) {
  const TEngineScope engine(state);
  eccrypt::bench::TimeDecryptSession(state, false);
}

// What Decrypt does with an exchanged value: the group check, then the multiplication.
void BM_Engine_DecryptWithCheck(benchmark::State& state) {
  const TEngineScope engine(state);
  eccrypt::bench::TimeDecryptSession(state, true);
}

void BM_Engine_MakeSignature(benchmark::State& state) {
  const TEngineScope engine(state);
  eccrypt::bench::TimeMakeSignature(state);
}

void BM_Engine_CheckSignature(benchmark::State& state) {
  const TEngineScope engine(state);
  eccrypt::bench::TimeCheckSignature(state, false);
}

// What Verify does with a public key and a signature: the group check, then the check itself.
void BM_Engine_VerifyWithCheck(benchmark::State& state) {
  const TEngineScope engine(state);
  eccrypt::bench::TimeCheckSignature(state, true);
}

void BM_Engine_IsCompressedGroupPoint(benchmark::State& state) {
  const TEngineScope engine(state);
  const TvlPoint v = PublicKey(Integer(15, 3));
  for (auto _ : state) benchmark::DoNotOptimize(TECCrypt::IsCompressedGroupPoint(v));
}

BENCHMARK(BM_Engine_MakePublicKey)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_EncryptSession)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_DecryptSession)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_DecryptWithCheck)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_MakeSignature)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_CheckSignature)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_VerifyWithCheck)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Engine_IsCompressedGroupPoint)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
