// Speed of the component's five operations, each as an application calls it: text in, text
// out, the tables rebuilt and the public key or exchanged value checked on every call.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>

#include "ECCrypt/ECCrypt.h"

namespace {

using eccrypt::TEllipticCurve;
using eccrypt::TMode;

constexpr std::array<std::uint8_t, 20> Digest{3, 1, 4, 1, 5, 9, 2, 6, 5, 3,
                                              5, 8, 9, 7, 9, 3, 2, 3, 8, 4};

// A component in mode holding a key pair, an exchanged value and a signature of Digest.
void Prepare(TEllipticCurve& c, TMode mode) {
  c.SetIOMode(mode);
  c.SetPassPhrase("benchmark pass phrase");
  c.MakeKey();
  c.Encrypt();
  c.Sign(Digest);
}

TMode ModeOf(const benchmark::State& state) {
  return state.range(0) == 1 ? TMode::Hex : TMode::Base64;
}

void BM_MakeKey(benchmark::State& state) {
  TEllipticCurve c;
  Prepare(c, ModeOf(state));
  for (auto _ : state) {
    c.MakeKey();
    benchmark::DoNotOptimize(c.KeyPublic().data());
  }
}

void BM_Encrypt(benchmark::State& state) {
  TEllipticCurve c;
  Prepare(c, ModeOf(state));
  for (auto _ : state) {
    c.Encrypt();
    benchmark::DoNotOptimize(c.KeySession().data());
  }
  if (c.KeySession().empty()) state.SkipWithError("Encrypt failed");
}

void BM_Decrypt(benchmark::State& state) {
  TEllipticCurve c;
  Prepare(c, ModeOf(state));
  for (auto _ : state) {
    c.Decrypt();
    benchmark::DoNotOptimize(c.KeySession().data());
  }
  if (c.KeySession().empty()) state.SkipWithError("Decrypt failed");
}

void BM_Sign(benchmark::State& state) {
  TEllipticCurve c;
  Prepare(c, ModeOf(state));
  for (auto _ : state) {
    c.Sign(Digest);
    benchmark::DoNotOptimize(c.Signature().data());
  }
  if (c.Signature().empty()) state.SkipWithError("Sign failed");
}

void BM_Verify(benchmark::State& state) {
  TEllipticCurve c;
  Prepare(c, ModeOf(state));
  for (auto _ : state) {
    c.Verify(Digest);
    benchmark::DoNotOptimize(c.Valid());
  }
  if (!c.Valid()) state.SkipWithError("Verify failed");
}

// Argument 0: radix-64 texts; 1: hexadecimal.
BENCHMARK(BM_MakeKey)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encrypt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decrypt)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sign)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Verify)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
