// Speed of the fast engine's secret-scalar point multiplications: the x-only ladder (with and
// without recovering y) and the fixed-base windows, each on a full-size reduced scalar.
#include <benchmark/benchmark.h>

#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/fixedBase.h"
#include "ECCrypt/fast/ladder.h"
#include "ECCrypt/fast/point.h"
#include "ECCrypt/fast/scalar.h"

namespace {

using eccrypt::fast::AffinePoint;
using eccrypt::fast::Scalar;

// A fixed scalar below n (240 bits).
constexpr Scalar kScalar{
    {0x9e3779b97f4a7c15, 0xbf58476d1ce4e5b9, 0x94d049bb133111eb, 0x0000d6e8feb86659}};

AffinePoint Base() {
  return AffinePoint{eccrypt::fast::kBaseX, eccrypt::fast::kBaseY, 0};
}

void BM_FastLadderX(benchmark::State& state) {
  const AffinePoint g = Base();
  for (auto _ : state) {
    eccrypt::fast::Fe x;
    eccrypt::fast::LadderX(x, g.x, kScalar);
    benchmark::DoNotOptimize(x);
  }
  state.SetLabel(eccrypt::fast::FeImplementation());
}
BENCHMARK(BM_FastLadderX)->Unit(benchmark::kMicrosecond);

// What DecryptSession runs where the field steps two ladders in one loop: k = k1 + k2 lambda,
// two ladders of 121 steps on G and psi(G), y recovered for both, x of the sum.
void BM_FastLadderXSplit(benchmark::State& state) {
  const AffinePoint g = Base();
  for (auto _ : state) {
    eccrypt::fast::Fe x;
    eccrypt::fast::LadderXSplit(x, g, kScalar);
    benchmark::DoNotOptimize(x);
  }
  state.SetLabel(eccrypt::fast::FeImplementation());
}
BENCHMARK(BM_FastLadderXSplit)->Unit(benchmark::kMicrosecond);

void BM_FastLadderPoint(benchmark::State& state) {
  const AffinePoint g = Base();
  for (auto _ : state) {
    AffinePoint r;
    eccrypt::fast::LadderPoint(r, g, kScalar);
    benchmark::DoNotOptimize(r);
  }
  state.SetLabel(eccrypt::fast::FeImplementation());
}
BENCHMARK(BM_FastLadderPoint)->Unit(benchmark::kMicrosecond);

void BM_FastBaseMultiply(benchmark::State& state) {
  for (auto _ : state) {
    AffinePoint r;
    eccrypt::fast::BaseMultiply(r, kScalar);
    benchmark::DoNotOptimize(r);
  }
  state.SetLabel(eccrypt::fast::FeImplementation());
}
BENCHMARK(BM_FastBaseMultiply)->Unit(benchmark::kMicrosecond);

}  // namespace
