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

namespace {

using eccrypt::TECCrypt;
using eccrypt::TEngine;
using eccrypt::TvlPoint;

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

// A fixed integer of the given number of 16-bit digits, top digit nonzero.
TvlPoint Integer(int digits, std::uint32_t seed) {
  TvlPoint k;
  k.Words[0] = digits;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(digits); ++i) {
    seed = seed * 1664525U + 1013904223U;
    k.Words[i] = static_cast<std::int32_t>(seed >> 16);
  }
  k.Words[static_cast<std::size_t>(digits)] |= 0x8000;
  return k;
}

TECCrypt Key(const TvlPoint& value) {
  TECCrypt key;
  key.CopyFrom(value);
  return key;
}

TvlPoint PublicKey(const TvlPoint& secret) {
  TvlPoint q;
  Key(secret).MakePublicKey(q);
  return q;
}

void BM_Engine_MakePublicKey(benchmark::State& state) {
  const TEngineScope engine(state);
  const TECCrypt secret = Key(Integer(15, 4));
  for (auto _ : state) {
    TvlPoint q;
    secret.MakePublicKey(q);
    benchmark::DoNotOptimize(q);
  }
}

void BM_Engine_EncryptSession(benchmark::State& state) {
  const TEngineScope engine(state);
  const TECCrypt publicKey = Key(PublicKey(Integer(15, 5)));
  const TvlPoint k = Integer(17, 6);
  for (auto _ : state) {
    TvlPoint e, s;
    publicKey.EncryptSession(k, e, s);
    benchmark::DoNotOptimize(s);
  }
}

void BM_Engine_DecryptSession(benchmark::State& state) {
  const TEngineScope engine(state);
  const TECCrypt secret = Key(Integer(15, 7));
  const TvlPoint e = PublicKey(Integer(17, 8));
  for (auto _ : state) {
    TvlPoint s;
    secret.DecryptSession(e, s);
    benchmark::DoNotOptimize(s);
  }
}

// What Decrypt does with an exchanged value: the group check, then the multiplication.
void BM_Engine_DecryptWithCheck(benchmark::State& state) {
  const TEngineScope engine(state);
  const TECCrypt secret = Key(Integer(15, 7));
  const TvlPoint e = PublicKey(Integer(17, 8));
  for (auto _ : state) {
    TvlPoint s;
    if (!TECCrypt::IsCompressedGroupPoint(e)) state.SkipWithError("group check refused");
    secret.DecryptSession(e, s);
    benchmark::DoNotOptimize(s);
  }
}

void BM_Engine_MakeSignature(benchmark::State& state) {
  const TEngineScope engine(state);
  const TECCrypt secret = Key(Integer(15, 9));
  const TvlPoint k = Integer(17, 10);
  const TvlPoint h = Integer(10, 11);
  for (auto _ : state) {
    TvlPoint r, s;
    secret.MakeSignature(k, h, r, s);
    benchmark::DoNotOptimize(s);
  }
}

void BM_Engine_CheckSignature(benchmark::State& state) {
  const TEngineScope engine(state);
  const TvlPoint x = Integer(15, 12);
  const TECCrypt publicKey = Key(PublicKey(x));
  const TvlPoint h = Integer(10, 13);
  TvlPoint r, s;
  Key(x).MakeSignature(Integer(17, 14), h, r, s);
  for (auto _ : state) {
    if (!publicKey.CheckSignature(h, r, s)) state.SkipWithError("signature refused");
  }
}

// What Verify does with a public key and a signature: the group check, then the check itself.
void BM_Engine_VerifyWithCheck(benchmark::State& state) {
  const TEngineScope engine(state);
  const TvlPoint x = Integer(15, 12);
  const TECCrypt publicKey = Key(PublicKey(x));
  const TvlPoint h = Integer(10, 13);
  TvlPoint r, s;
  Key(x).MakeSignature(Integer(17, 14), h, r, s);
  for (auto _ : state) {
    if (!TECCrypt::IsCompressedGroupPoint(publicKey) || !publicKey.CheckSignature(h, r, s)) {
      state.SkipWithError("signature refused");
    }
  }
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
