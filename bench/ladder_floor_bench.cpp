// What bounds the ladder's step on this machine: the core clock (a chain of dependent integer
// additions, one cycle each) and the latency and issue rate of a 512-bit VPCLMULQDQ. Each
// iteration runs 1024 of the measured instructions, so that time per iteration / 1024 is the
// time of one; bench/report.py --peers turns them into cycles beside the ladder's step.
#include <benchmark/benchmark.h>

#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

namespace {

constexpr int kInstructions = 1024;

__attribute__((noinline)) std::uint64_t DependentAdds(std::uint64_t x) {
  for (int i = 0; i < kInstructions / 8; ++i) {
    asm volatile(
        "add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\t"
        "add $1, %0\n\tadd $1, %0\n\tadd $1, %0\n\tadd $1, %0"
        : "+r"(x));
  }
  return x;
}

void BM_CoreCycleDependentAdd(benchmark::State& state) {
  std::uint64_t x = 0;
  for (auto _ : state) x = DependentAdds(x);
  benchmark::DoNotOptimize(x);
}
BENCHMARK(BM_CoreCycleDependentAdd);

#define FLOOR_VPCLMUL __attribute__((target("avx512f,vpclmulqdq"), noinline))

bool HasVpclmulqdq() {
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("vpclmulqdq");
}

// One chain: each multiply waits for the previous one.
FLOOR_VPCLMUL void ChainedClmuls(std::uint64_t seed, std::uint64_t* out) {
  const __m512i k = _mm512_set1_epi64(static_cast<long long>(seed | 1));
  __m512i x = k;
  for (int i = 0; i < kInstructions; ++i) {
    x = _mm512_clmulepi64_epi128(x, k, 0x01);
    asm volatile("" : "+v"(x));
  }
  _mm512_storeu_si512(out, x);
}

// Eight independent chains: enough to cover the latency, so the issue rate shows.
FLOOR_VPCLMUL void IndependentClmuls(std::uint64_t seed, std::uint64_t* out) {
  const __m512i k = _mm512_set1_epi64(static_cast<long long>(seed | 1));
  __m512i x0 = k, x1 = k, x2 = k, x3 = k, x4 = k, x5 = k, x6 = k, x7 = k;
  for (int i = 0; i < kInstructions / 8; ++i) {
    x0 = _mm512_clmulepi64_epi128(x0, k, 0x01);
    x1 = _mm512_clmulepi64_epi128(x1, k, 0x01);
    x2 = _mm512_clmulepi64_epi128(x2, k, 0x01);
    x3 = _mm512_clmulepi64_epi128(x3, k, 0x01);
    x4 = _mm512_clmulepi64_epi128(x4, k, 0x01);
    x5 = _mm512_clmulepi64_epi128(x5, k, 0x01);
    x6 = _mm512_clmulepi64_epi128(x6, k, 0x01);
    x7 = _mm512_clmulepi64_epi128(x7, k, 0x01);
    asm volatile(""
                 : "+v"(x0), "+v"(x1), "+v"(x2), "+v"(x3), "+v"(x4), "+v"(x5), "+v"(x6), "+v"(x7));
  }
  const __m512i all =
      _mm512_xor_si512(_mm512_xor_si512(_mm512_xor_si512(x0, x1), _mm512_xor_si512(x2, x3)),
                       _mm512_xor_si512(_mm512_xor_si512(x4, x5), _mm512_xor_si512(x6, x7)));
  _mm512_storeu_si512(out, all);
}

void BM_VpclmulqdqLatency(benchmark::State& state) {
  if (!HasVpclmulqdq()) {
    state.SkipWithError("no VPCLMULQDQ");
    return;
  }
  std::uint64_t out[8] = {};
  for (auto _ : state) {
    ChainedClmuls(out[0], out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_VpclmulqdqLatency);

void BM_VpclmulqdqIssue(benchmark::State& state) {
  if (!HasVpclmulqdq()) {
    state.SkipWithError("no VPCLMULQDQ");
    return;
  }
  std::uint64_t out[8] = {};
  for (auto _ : state) {
    IndependentClmuls(out[0], out);
    benchmark::DoNotOptimize(out);
  }
}
BENCHMARK(BM_VpclmulqdqIssue);

}  // namespace

#endif
