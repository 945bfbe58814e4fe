// Speed of the field arithmetic on random reduced elements.
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>
#include <random>

#include "ECCrypt/field/gfPoint.h"

namespace {

using eccrypt::TgfPoint;

constexpr std::size_t kPool = 64;

// Full-length reduced elements with random units and a nonzero top unit.
std::array<TgfPoint, kPool> RandomElements(unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<std::int32_t> unit(0, 32767);
  std::array<TgfPoint, kPool> pool;
  for (TgfPoint& e : pool) {
    e.Units[0] = TgfPoint::ReducedUnits;
    for (std::size_t i = 1; i <= TgfPoint::ReducedUnits; ++i) e.Units[i] = unit(rng);
    if (e.Units[TgfPoint::ReducedUnits] == 0) e.Units[TgfPoint::ReducedUnits] = 1;
  }
  return pool;
}

void BM_GfMultiply(benchmark::State& state) {
  const auto a = RandomElements(1);
  const auto b = RandomElements(2);
  TgfPoint r;
  std::size_t i = 0;
  for (auto _ : state) {
    r.Multiply(a[i % kPool], b[i % kPool]);
    benchmark::DoNotOptimize(r.Units.data());
    ++i;
  }
}
BENCHMARK(BM_GfMultiply);

void BM_GfSquare(benchmark::State& state) {
  const auto a = RandomElements(3);
  TgfPoint r;
  std::size_t i = 0;
  for (auto _ : state) {
    r.Square(a[i % kPool]);
    benchmark::DoNotOptimize(r.Units.data());
    ++i;
  }
}
BENCHMARK(BM_GfSquare);

void BM_GfInvert(benchmark::State& state) {
  const auto a = RandomElements(4);
  TgfPoint r;
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(r.Invert(a[i % kPool]));
    benchmark::DoNotOptimize(r.Units.data());
    ++i;
  }
}
BENCHMARK(BM_GfInvert);

}  // namespace
