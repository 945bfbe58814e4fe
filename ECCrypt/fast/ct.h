#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Constant-time helpers for the fast engine.
//
// Contract of the whole engine: a function whose name does not end in "Vartime" takes the same
// path and touches the same addresses whatever the values of its arguments; only lengths given
// as separate public parameters may steer it. Masks are all-ones (true) or all-zero (false)
// 64-bit words, built without comparisons the compiler could turn into branches.
//
// CtPoison / CtUnpoison mark memory as secret for valgrind's memcheck: built with
// ECCRYPT_CT_CHECK, every branch, load address or store address computed from poisoned bytes is
// reported. Release builds compile them to nothing.
#include <cstddef>
#include <cstdint>

#ifdef ECCRYPT_CT_CHECK
#include <valgrind/memcheck.h>
#endif

namespace eccrypt::fast {

// All-ones when bit 0 of b is set, else zero.
inline std::uint64_t CtMaskFromBit(std::uint64_t b) {
  return 0 - (b & 1);
}

// All-ones when v is zero, else zero.
inline std::uint64_t CtIsZeroMask(std::uint64_t v) {
  return CtMaskFromBit(~(v | (0 - v)) >> 63);
}

// All-ones when a == b.
inline std::uint64_t CtEqualMask(std::uint64_t a, std::uint64_t b) {
  return CtIsZeroMask(a ^ b);
}

// mask ? a : b.
inline std::uint64_t CtSelect(std::uint64_t mask, std::uint64_t a, std::uint64_t b) {
  return b ^ (mask & (a ^ b));
}

// Swaps a and b when mask is all-ones.
inline void CtSwap(std::uint64_t mask, std::uint64_t& a, std::uint64_t& b) {
  const std::uint64_t t = mask & (a ^ b);
  a ^= t;
  b ^= t;
}

// Hides v from the optimiser so that mask arithmetic is not turned back into a branch.
inline std::uint64_t CtBarrier(std::uint64_t v) {
#if defined(__GNUC__)
  __asm__("" : "+r"(v));
#endif
  return v;
}

inline void CtPoison([[maybe_unused]] const void* p, [[maybe_unused]] std::size_t n) {
#ifdef ECCRYPT_CT_CHECK
  VALGRIND_MAKE_MEM_UNDEFINED(p, n);
#endif
}

inline void CtUnpoison([[maybe_unused]] const void* p, [[maybe_unused]] std::size_t n) {
#ifdef ECCRYPT_CT_CHECK
  VALGRIND_MAKE_MEM_DEFINED(p, n);
#endif
}

// A value computed from secrets that is about to become public (a public key, an exchanged
// value, a signature, a verdict): the one place where secret data is declared public.
template <class T>
inline void CtDeclassify(const T& value) {
  CtUnpoison(&value, sizeof(value));
}

}  // namespace eccrypt::fast
