// Speed of the fast engine's field, one benchmark per multiplication path. Products and squares
// are chained (each result feeds the next operation), so the figures are latencies.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/feLadder.h"

namespace {

using eccrypt::fast::Fe;

Fe RandomFe(std::mt19937_64& rng) {
  return Fe{{rng(), rng(), rng(), rng()}};
}

// Selects a path for the benchmark's run and restores the previous one after it.
class PathScope {
 public:
  PathScope(benchmark::State& state, const char* name) : saved_(eccrypt::fast::FeImplementation()) {
    ok_ = eccrypt::fast::FeUseImplementation(name);
    if (!ok_) state.SkipWithError("path not available on this CPU");
  }
  ~PathScope() { eccrypt::fast::FeUseImplementation(saved_.c_str()); }
  PathScope(const PathScope&) = delete;
  PathScope& operator=(const PathScope&) = delete;
  bool Ok() const { return ok_; }

 private:
  std::string saved_;
  bool ok_;
};

void BM_FeMul(benchmark::State& state, const char* path) {
  const PathScope scope(state, path);
  if (!scope.Ok()) return;
  std::mt19937_64 rng(1);
  Fe x = RandomFe(rng);
  const Fe y = RandomFe(rng);
  for (auto _ : state) {
    eccrypt::fast::FeMul(x, x, y);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK_CAPTURE(BM_FeMul, portable, "portable");
BENCHMARK_CAPTURE(BM_FeMul, pclmulqdq, "pclmulqdq");
BENCHMARK_CAPTURE(BM_FeMul, vpclmulqdq, "vpclmulqdq");

void BM_FeSqr(benchmark::State& state, const char* path) {
  const PathScope scope(state, path);
  if (!scope.Ok()) return;
  std::mt19937_64 rng(2);
  Fe x = RandomFe(rng);
  for (auto _ : state) {
    eccrypt::fast::FeSqr(x, x);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK_CAPTURE(BM_FeSqr, portable, "portable");
BENCHMARK_CAPTURE(BM_FeSqr, pclmulqdq, "pclmulqdq");
BENCHMARK_CAPTURE(BM_FeSqr, vpclmulqdq, "vpclmulqdq");

// 100 squarings in one call, reported per squaring.
void BM_FeSqrN100(benchmark::State& state, const char* path) {
  const PathScope scope(state, path);
  if (!scope.Ok()) return;
  std::mt19937_64 rng(3);
  Fe x = RandomFe(rng);
  for (auto _ : state) {
    eccrypt::fast::FeSqrN(x, x, 100);
    benchmark::DoNotOptimize(x);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 100);
}
BENCHMARK_CAPTURE(BM_FeSqrN100, portable, "portable");
BENCHMARK_CAPTURE(BM_FeSqrN100, pclmulqdq, "pclmulqdq");
BENCHMARK_CAPTURE(BM_FeSqrN100, vpclmulqdq, "vpclmulqdq");

// Four independent products per call.
void BM_FeMul4(benchmark::State& state, const char* path) {
  const PathScope scope(state, path);
  if (!scope.Ok()) return;
  std::mt19937_64 rng(4);
  Fe x[4], y[4];
  for (std::size_t i = 0; i < 4; ++i) {
    x[i] = RandomFe(rng);
    y[i] = RandomFe(rng);
  }
  for (auto _ : state) {
    eccrypt::fast::FeMul4(x, x, y);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK_CAPTURE(BM_FeMul4, portable, "portable");
BENCHMARK_CAPTURE(BM_FeMul4, pclmulqdq, "pclmulqdq");
BENCHMARK_CAPTURE(BM_FeMul4, vpclmulqdq, "vpclmulqdq");

void BM_FeSqr4(benchmark::State& state, const char* path) {
  const PathScope scope(state, path);
  if (!scope.Ok()) return;
  std::mt19937_64 rng(5);
  Fe x[4];
  for (Fe& e : x) e = RandomFe(rng);
  for (auto _ : state) {
    eccrypt::fast::FeSqr4(x, x);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK_CAPTURE(BM_FeSqr4, portable, "portable");
BENCHMARK_CAPTURE(BM_FeSqr4, pclmulqdq, "pclmulqdq");
BENCHMARK_CAPTURE(BM_FeSqr4, vpclmulqdq, "vpclmulqdq");

// The ladder kernel over 241 scalar bits (the length of a reduced scalar).
void BM_FeLadderWalk(benchmark::State& state, const char* path) {
  const PathScope scope(state, path);
  if (!scope.Ok()) return;
  std::mt19937_64 rng(9);
  eccrypt::fast::FeLadderPair pair{RandomFe(rng), RandomFe(rng), RandomFe(rng), RandomFe(rng)};
  const Fe px = RandomFe(rng);
  const Fe c = RandomFe(rng);
  const std::uint64_t k[4] = {rng(), rng(), rng(), rng() >> 15};
  for (auto _ : state) {
    eccrypt::fast::FeLadderWalk(pair, px, c, k, 241);
    benchmark::DoNotOptimize(pair);
  }
}
BENCHMARK_CAPTURE(BM_FeLadderWalk, portable, "portable")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FeLadderWalk, pclmulqdq, "pclmulqdq")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FeLadderWalk, vpclmulqdq, "vpclmulqdq")->Unit(benchmark::kMicrosecond);

// Two ladders over 121 bits each (the halves of a split scalar), in one loop where the path has
// one: against BM_FeLadderWalk, what the split saves.
void BM_FeLadderWalkTwo(benchmark::State& state, const char* path) {
  const PathScope scope(state, path);
  if (!scope.Ok()) return;
  std::mt19937_64 rng(9);
  eccrypt::fast::FeLadderPair first{RandomFe(rng), RandomFe(rng), RandomFe(rng), RandomFe(rng)};
  eccrypt::fast::FeLadderPair second{RandomFe(rng), RandomFe(rng), RandomFe(rng), RandomFe(rng)};
  const Fe px1 = RandomFe(rng);
  const Fe px2 = RandomFe(rng);
  const Fe c = RandomFe(rng);
  const std::uint64_t k1[2] = {rng(), rng() >> 7};
  const std::uint64_t k2[2] = {rng(), rng() >> 7};
  for (auto _ : state) {
    eccrypt::fast::FeLadderWalkTwo(first, px1, second, px2, c, k1, k2, 121);
    benchmark::DoNotOptimize(first);
    benchmark::DoNotOptimize(second);
  }
}
BENCHMARK_CAPTURE(BM_FeLadderWalkTwo, pclmulqdq, "pclmulqdq")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FeLadderWalkTwo, vpclmulqdq, "vpclmulqdq")->Unit(benchmark::kMicrosecond);

// The remaining operations on the path the dispatcher chose.
void BM_FeInvert(benchmark::State& state) {
  std::mt19937_64 rng(6);
  Fe x = RandomFe(rng);
  for (auto _ : state) {
    eccrypt::fast::FeInvert(x, x);
    benchmark::DoNotOptimize(x);
  }
  state.SetLabel(eccrypt::fast::FeImplementation());
}
BENCHMARK(BM_FeInvert);

void BM_FeSqrt(benchmark::State& state) {
  std::mt19937_64 rng(7);
  Fe x = RandomFe(rng);
  for (auto _ : state) {
    eccrypt::fast::FeSqrt(x, x);
    benchmark::DoNotOptimize(x);
  }
  state.SetLabel(eccrypt::fast::FeImplementation());
}
BENCHMARK(BM_FeSqrt);

void BM_FeHalfTrace(benchmark::State& state) {
  std::mt19937_64 rng(8);
  Fe x = RandomFe(rng);
  for (auto _ : state) {
    eccrypt::fast::FeHalfTrace(x, x);
    benchmark::DoNotOptimize(x);
  }
  state.SetLabel(eccrypt::fast::FeImplementation());
}
BENCHMARK(BM_FeHalfTrace);

}  // namespace
