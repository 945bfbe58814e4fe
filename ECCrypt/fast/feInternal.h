#pragma once
// Internals of the field shared by its implementation files: the 512-bit product, the fold
// back into 255 bits, and the table of one multiplication path.
#include <cstddef>
#include <cstdint>

#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/feBaseWalk.h"
#include "ECCrypt/fast/feLadder.h"
#include "ECCrypt/fast/feLdVartime.h"

namespace eccrypt::fast::detail {

// An unreduced carry-less product of two 256-bit values: up to 511 bits, word 0 lowest.
struct FeWide {
  std::uint64_t w[8];
};

// r := p mod (t^255 + t^52 + 1), canonical. p must be below 2^511, as every product of two
// 256-bit values is.
void FeReduceWide(Fe& r, const FeWide& p);

// The canonical form of a 256-bit value: bit 255 (t^255 = t^52 + 1) folded in.
inline Fe FeCanonical(const Fe& a) {
  const std::uint64_t top = a.w[3] >> 63;
  return Fe{{a.w[0] ^ top ^ (top << 52), a.w[1], a.w[2], a.w[3] & ~(std::uint64_t{1} << 63)}};
}

// One multiplication path: every entry computes the same function as the portable one.
struct FeOps {
  const char* name;
  void (*mul)(Fe& r, const Fe& a, const Fe& b);
  void (*sqr)(Fe& r, const Fe& a);
  void (*sqrN)(Fe& r, const Fe& a, int n);
  void (*mul4)(Fe r[4], const Fe a[4], const Fe b[4]);
  void (*sqr4)(Fe r[4], const Fe a[4]);
  // r := sum of the columns i of a linear map (word k of column i in words[k][i], 64-byte
  // aligned) over the coordinates a_i that are 1; a canonical, column 255 zero.
  void (*apply)(Fe& r, const std::uint64_t words[4][256], const Fe& a);
  // The shortest run of squarings FeSqrN takes as a linear map (15, 31, 63 or 127): where a map
  // costs less than that many squarings on this path (measured).
  int minMapRun;
  // FeLadderWalk with the pair kept in registers; null where the generic loop serves.
  void (*ladderWalk)(FeLadderPair& s, const Fe& px, const Fe& c, const std::uint64_t* k, int bits);
  // FeLadderWalkTwo as one loop stepping both ladders; null where the ladders run one by one.
  void (*ladderWalkTwo)(FeLadderPair& s1, const Fe& px1, FeLadderPair& s2, const Fe& px2,
                        const Fe& c, const std::uint64_t* k1, const std::uint64_t* k2, int bits);
  // FeBaseWalk with the accumulator kept in registers; null where the caller's loop serves.
  void (*baseWalk)(FeBaseAccumulator& acc, const BaseTableEntry (*rows)[kBaseDigits],
                   const std::uint64_t* magnitude, const std::uint64_t* negative, int windows);
  // FeLdDoubleVartime and FeLdAddAffineVartime; null where the single products serve.
  void (*ldDouble)(LdPoint& r, const LdPoint& p);
  bool (*ldAddAffine)(LdPoint& r, const LdPoint& p, const AffinePoint& q);
  // FeLdWalkVartime's kernel; null where every step of the walk takes the functions above.
  std::size_t (*ldWalk)(LdPoint& acc, const LdWalkStep* steps, std::size_t count);
};

// The paths; the accelerated ones are null where the compiler cannot build them. Callers check
// the CPU before using one.
extern const FeOps kFePortableOps;
extern const FeOps* const kFePclmulOps;
extern const FeOps* const kFeVpclmulOps;
// Four products at a time in 32-bit vector lanes: the path for WebAssembly with SIMD, and
// runnable everywhere (on the compiler's generic vectors) for tests.
extern const FeOps* const kFeLanesOps;

#if defined(__x86_64__) && defined(__GNUC__)
// The single-element PCLMULQDQ functions, which the VPCLMULQDQ path reuses. Callable only where
// the CPU has PCLMULQDQ and SSE4.1.
void FeMulPclmul(Fe& r, const Fe& a, const Fe& b);
void FeSqrPclmul(Fe& r, const Fe& a);
void FeSqrNPclmul(Fe& r, const Fe& a, int n);
// r[i] := the linear map's value at a[i] for i < count, in one pass over the columns per four
// arguments; a[i] canonical, r may alias a. Callable only where the VPCLMULQDQ path is.
void FeApplyManyAvx512(Fe* r, const std::uint64_t words[4][256], const Fe* a, std::size_t count);
// Runs steps[0 .. count) on acc with the point in registers, as FeLdWalkVartime describes; returns
// the number done. Callable only where the VPCLMULQDQ path is.
std::size_t FeLdWalkVartimeVpclmul(LdPoint& acc, const LdWalkStep* steps, std::size_t count);
#endif

// The portable squaring (bits spread apart, then reduced) and runs of it, which every path may
// use.
void FeSqrPortable(Fe& r, const Fe& a);
void FeSqrNPortable(Fe& r, const Fe& a, int n);

// The linear-map application with plain integer masks, which every path may use.
void FeApplyPortable(Fe& r, const std::uint64_t words[4][256], const Fe& a);

// The path in use (chosen from CPUID on first call).
const FeOps& FeActiveOps();

// The start of a ladder step on the paths that run it as rounds of products: the swap by bit i
// of k against the bit before (previous, then updated), and the operands of the first round's
// four products, X1 Z2, X2 Z1, X1 Z1 and c Z1. Constant time.
inline void FeLadderStepFirstRound(FeLadderPair& s, std::uint64_t& previous, const std::uint64_t* k,
                                   int i, const Fe& c, Fe a[4], Fe b[4]) {
  const std::uint64_t bit = (k[i / 64] >> (i % 64)) & 1;
  const std::uint64_t swap = CtMaskFromBit(CtBarrier(bit ^ previous));
  previous = bit;
  FeCondSwap(s.x1, s.x2, swap);
  FeCondSwap(s.z1, s.z2, swap);
  a[0] = s.x1;
  b[0] = s.z2;
  a[1] = s.x2;
  b[1] = s.z1;
  a[2] = s.x1;
  b[2] = s.z1;
  a[3] = c;
  b[3] = s.z1;
}

// The swap by the last bit after the last step.
inline void FeLadderLastSwap(FeLadderPair& s, std::uint64_t previous) {
  const std::uint64_t swap = CtMaskFromBit(previous);
  FeCondSwap(s.x1, s.x2, swap);
  FeCondSwap(s.z1, s.z2, swap);
}

}  // namespace eccrypt::fast::detail
