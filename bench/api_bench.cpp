// Speed of key agreement through the library interface, as the C interface calls it: the
// exchanged value read from its 32 bytes (checked as a group point) and the session key derived
// (Decapsulate, including the key derivation). The Python package's figures are compared with
// these (bench/pythonVsCpp.py).
#include <benchmark/benchmark.h>

#include "ECCrypt/api.h"

namespace {

void BM_ApiDecapsulate(benchmark::State& state) {
  auto pair = eccrypt::KeyPair::Generate();
  auto made = eccrypt::Encapsulate(pair.Value().PublicKey());
  if (!pair || !made) {
    state.SkipWithError("key agreement failed");
    return;
  }
  const auto bytes = made.Value().Exchanged.ToBytes();
  for (auto _ : state) {
    auto value = eccrypt::ExchangedValue::FromBytes(bytes);
    auto session = eccrypt::Decapsulate(value.Value(), pair.Value().Secret());
    benchmark::DoNotOptimize(session.Value().SymmetricKey().data());
  }
}

BENCHMARK(BM_ApiDecapsulate)->Unit(benchmark::kMicrosecond);

}  // namespace
