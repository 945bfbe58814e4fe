// Speed of the integer operations the signature arithmetic leans on: MulMod and Remainder
// modulo the group order n, on 17-digit operands like the random scalars.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"

namespace {

using eccrypt::TvlPoint;

// A fixed 17-digit operand with mixed digits, derived from a seed.
TvlPoint Operand(std::uint32_t seed) {
  TvlPoint x;
  x.Words[0] = 17;
  for (std::size_t i = 1; i <= 17; ++i) {
    seed = seed * 1103515245U + 12345U;
    x.Words[i] = static_cast<std::int32_t>((seed >> 8) & 0xFFFF);
  }
  x.Words[17] |= 1;
  return x;
}

void BM_MulModOrder(benchmark::State& state) {
  TvlPoint n;
  n.LoadOrder(true);
  const TvlPoint a = Operand(1);
  const TvlPoint b = Operand(2);
  TvlPoint product;
  for (auto _ : state) {
    product.MulMod(a, b, n);
    benchmark::DoNotOptimize(product.Words);
  }
}
BENCHMARK(BM_MulModOrder);

// Reduction of a 17-digit value (a random scalar) and an 18-digit one (three times it).
void BM_RemainderOrder(benchmark::State& state) {
  TvlPoint n;
  n.LoadOrder(true);
  TvlPoint x = Operand(3);
  if (state.range(0) == 18) x.MulSmall(x, 3);
  TvlPoint work;
  for (auto _ : state) {
    work = x;
    work.Remainder(n);
    benchmark::DoNotOptimize(work.Words);
  }
}
BENCHMARK(BM_RemainderOrder)->Arg(17)->Arg(18);

}  // namespace
