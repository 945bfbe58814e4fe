// Speed of the curve group and the public-key primitives built on it.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/hash/prng.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "bench/benchSupport.h"

namespace {

using eccrypt::TECCrypt;
using eccrypt::TecPoint;
using eccrypt::TvlPoint;
using eccrypt::bench::Integer;
using eccrypt::bench::PublicKey;

void BM_MultiplyBase240(benchmark::State& state) {
  eccrypt::InitTables();
  const TvlPoint k = Integer(15, 1);
  for (auto _ : state) {
    TecPoint p;
    p.LoadBase(true);
    p.Multiply(k);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_MultiplyBase240)->Unit(benchmark::kMillisecond);

void BM_Decompress(benchmark::State& state) {
  eccrypt::InitTables();
  const TvlPoint v = PublicKey(Integer(15, 2));
  for (auto _ : state) {
    TecPoint p;
    p.Decompress(v);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_Decompress)->Unit(benchmark::kMicrosecond);

void BM_IsCompressedGroupPoint(benchmark::State& state) {
  eccrypt::InitTables();
  const TvlPoint v = PublicKey(Integer(15, 3));
  for (auto _ : state) benchmark::DoNotOptimize(TecPoint::IsCompressedGroupPoint(v));
}
BENCHMARK(BM_IsCompressedGroupPoint)->Unit(benchmark::kMillisecond);

void BM_MakePublicKey(benchmark::State& state) {
  eccrypt::InitTables();
  eccrypt::bench::TimeMakePublicKey(state);
}
BENCHMARK(BM_MakePublicKey)->Unit(benchmark::kMillisecond);

void BM_EncryptSession(benchmark::State& state) {
  eccrypt::InitTables();
  eccrypt::bench::TimeEncryptSession(state);
}
BENCHMARK(BM_EncryptSession)->Unit(benchmark::kMillisecond);

void BM_DecryptSession(benchmark::State& state) {
  eccrypt::InitTables();
  eccrypt::bench::TimeDecryptSession(state, false);
}
BENCHMARK(BM_DecryptSession)->Unit(benchmark::kMillisecond);

void BM_MakeSignature(benchmark::State& state) {
  eccrypt::InitTables();
  eccrypt::bench::TimeMakeSignature(state);
}
BENCHMARK(BM_MakeSignature)->Unit(benchmark::kMillisecond);

void BM_CheckSignature(benchmark::State& state) {
  eccrypt::InitTables();
  eccrypt::bench::TimeCheckSignature(state, false);
}
BENCHMARK(BM_CheckSignature)->Unit(benchmark::kMillisecond);

void BM_MakeSecret(benchmark::State& state) {
  for (auto _ : state) {
    eccrypt::TPRNG g;
    g.Seed("a pass phrase of ordinary length");
    benchmark::DoNotOptimize(g.MakeSecret());
  }
}
BENCHMARK(BM_MakeSecret)->Unit(benchmark::kMicrosecond);

void BM_FillRandom(benchmark::State& state) {
  for (auto _ : state) {
    TvlPoint v;
    v.FillRandom();
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_FillRandom)->Unit(benchmark::kMicrosecond);

}  // namespace
