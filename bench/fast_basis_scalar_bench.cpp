// Speed of the fast engine's basis change, Frobenius map and scalar arithmetic. Each result
// feeds the next call, so the figures are latencies.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/scalar.h"

namespace {

using eccrypt::TvlPoint;
using eccrypt::fast::Fe;
using eccrypt::fast::RefBits;
using eccrypt::fast::Scalar;

TvlPoint RandomDigits(std::mt19937_64& rng, int count) {
  TvlPoint v;
  v.Words[0] = count;
  for (int i = 1; i <= count; ++i) v.Words[static_cast<std::size_t>(i)] = rng() & 0xFFFF;
  v.Words[static_cast<std::size_t>(count)] |= 1;
  return v;
}

void BM_FastFromReferenceBasis(benchmark::State& state) {
  std::mt19937_64 rng(1);
  RefBits in{{rng(), rng(), rng(), rng() >> 1}};
  Fe out;
  for (auto _ : state) {
    eccrypt::fast::FromReferenceBasis(out, in);
    in.w[0] ^= out.w[0];
    benchmark::DoNotOptimize(in);
  }
}
BENCHMARK(BM_FastFromReferenceBasis);

void BM_FastToReferenceBasis(benchmark::State& state) {
  std::mt19937_64 rng(2);
  Fe a{{rng(), rng(), rng(), rng() >> 1}};
  RefBits out;
  for (auto _ : state) {
    eccrypt::fast::ToReferenceBasis(out, a);
    a.w[0] ^= out.w[0];
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FastToReferenceBasis);

void BM_FastFrobenius15(benchmark::State& state) {
  std::mt19937_64 rng(3);
  Fe a{{rng(), rng(), rng(), rng() >> 1}};
  for (auto _ : state) {
    eccrypt::fast::Frobenius15(a, a);
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_FastFrobenius15);

void BM_FastScalarReduce(benchmark::State& state) {
  std::mt19937_64 rng(4);
  TvlPoint v = RandomDigits(rng, 18);
  Scalar s;
  for (auto _ : state) {
    eccrypt::fast::ScalarReduce(s, v);
    v.Words[1] = static_cast<std::int32_t>(s.w[0] & 0xFFFF);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_FastScalarReduce);

void BM_FastSignatureS(benchmark::State& state) {
  std::mt19937_64 rng(5);
  const TvlPoint x = RandomDigits(rng, 16);
  TvlPoint k = RandomDigits(rng, 17);
  const TvlPoint r = RandomDigits(rng, 15);
  TvlPoint s;
  for (auto _ : state) {
    eccrypt::fast::SignatureS(s, x, k, r);
    k.Words[1] = s.Words[1];
    benchmark::DoNotOptimize(k);
  }
}
BENCHMARK(BM_FastSignatureS);

}  // namespace
