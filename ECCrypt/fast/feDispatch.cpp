// The choice of multiplication path, made once from CPUID, and the public entry points that
// go through it.
#include <atomic>
#include <cstring>
#include <initializer_list>

#include "ECCrypt/fast/feInternal.h"
#include "ECCrypt/fast/feLinearMap.h"

namespace eccrypt::fast {
namespace detail {
namespace {

bool CpuHas([[maybe_unused]] const FeOps* ops) {
  if (ops == nullptr) return false;
  if (ops == &kFePortableOps || ops == kFeLanesOps) return true;
#if defined(__x86_64__) && defined(__GNUC__)
  __builtin_cpu_init();
  const bool pclmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  if (ops == kFePclmulOps) return pclmul;
  if (ops == kFeVpclmulOps) {
    return pclmul && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vbmi2") &&
           __builtin_cpu_supports("vpclmulqdq");
  }
#endif
  return false;
}

// The best path this CPU can run, fastest first. The lanes path runs everywhere but is the
// fastest only where 64 x 64-bit products are not native: WebAssembly with SIMD.
const FeOps* Detect() {
  for (const FeOps* ops : {kFeVpclmulOps, kFePclmulOps}) {
    if (CpuHas(ops)) return ops;
  }
#if defined(__wasm_simd128__)
  return kFeLanesOps;
#else
  return &kFePortableOps;
#endif
}

std::atomic<const FeOps*> gActive{nullptr};

// The first call's detection, out of line so that every later call is one load and a test.
[[gnu::noinline]] const FeOps& DetectOnce() {
  const FeOps* ops = nullptr;
  const FeOps* detected = Detect();
  // A path chosen meanwhile by FeUseImplementation stays.
  if (gActive.compare_exchange_strong(ops, detected, std::memory_order_acq_rel)) ops = detected;
  return *ops;
}

// FeActiveOps for the entry points below, inlined into each of them.
inline const FeOps& ActiveOps() {
  const FeOps* ops = gActive.load(std::memory_order_acquire);
  if (ops == nullptr) [[unlikely]]
    return DetectOnce();
  return *ops;
}

}  // namespace

const FeOps& FeActiveOps() {
  return ActiveOps();
}

}  // namespace detail

void FeMul(Fe& r, const Fe& a, const Fe& b) {
  detail::ActiveOps().mul(r, a, b);
}
void FeSqr(Fe& r, const Fe& a) {
  detail::ActiveOps().sqr(r, a);
}
// Long runs of squarings go through the precomputed matrices, longest first, down to the
// shortest run the path takes that way.
void FeSqrN(Fe& r, const Fe& a, int n) {
  const detail::FeOps& ops = detail::ActiveOps();
  if (n < ops.minMapRun) {
    ops.sqrN(r, a, n);
    return;
  }
  Fe x = a;
  for (; n >= 127; n -= 127) detail::FeSquaringMap<127>().Apply(x, x);
  for (; n >= 63; n -= 63) detail::FeSquaringMap<63>().Apply(x, x);
  for (; n >= 31 && ops.minMapRun <= 31; n -= 31) detail::FeSquaringMap<31>().Apply(x, x);
  for (; n >= 15 && ops.minMapRun <= 15; n -= 15) detail::FeSquaringMap<15>().Apply(x, x);
  if (n > 0) {
    ops.sqrN(r, x, n);
  } else {
    r = x;
  }
}
void FeMul4(Fe r[4], const Fe a[4], const Fe b[4]) {
  detail::ActiveOps().mul4(r, a, b);
}
void FeSqr4(Fe r[4], const Fe a[4]) {
  detail::ActiveOps().sqr4(r, a);
}

const char* FeImplementation() {
  return detail::ActiveOps().name;
}

bool FeUseImplementation(const char* name) {
  using detail::FeOps;
  for (const FeOps* ops : {detail::kFeVpclmulOps, detail::kFePclmulOps, detail::kFeLanesOps,
                           &detail::kFePortableOps}) {
    if (ops != nullptr && std::strcmp(ops->name, name) == 0) {
      if (!detail::CpuHas(ops)) return false;
      detail::gActive.store(ops, std::memory_order_release);
      return true;
    }
  }
  return false;
}

}  // namespace eccrypt::fast
