// The VPCLMULQDQ path: four independent elements side by side, one per 128-bit lane of a 512-bit
// register, for FeMul4, FeSqr4 and the kernels of the ladder, the fixed-base windows and the
// public-data point operations. Single products and squares use the PCLMULQDQ code.
//
// Four elements a[0..3] are held as two registers: lo with a[i]'s words 0-1 in lane i, hi with
// its words 2-3. Every step of the single-element algorithm (fePclmul.cpp) then runs on all
// four lanes at once; carry-less multiplies and shifts act within lanes. Besides VPCLMULQDQ the
// code uses AVX-512F and the funnel shifts of AVX-512 VBMI2; the dispatcher checks all three.
#include <cstddef>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/feInternal.h"

#if defined(__x86_64__) && defined(__GNUC__)
// Some compilers' AVX-512 intrinsics start from an "undefined" register value that their own
// -Wuninitialized then reports when inlined; the values are always fully overwritten.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#define FE_VPCLMUL __attribute__((target("pclmul,sse4.1,avx512f,avx512vbmi2,vpclmulqdq")))

namespace eccrypt::fast::detail {
namespace {

struct V4 {
  __m512i lo, hi;
};

// (0, x.lo) in every lane.
FE_VPCLMUL inline __m512i LaneShiftUp(__m512i x) {
  return _mm512_unpacklo_epi64(_mm512_setzero_si512(), x);
}
// (x.hi, 0) in every lane.
FE_VPCLMUL inline __m512i LaneShiftDown(__m512i x) {
  return _mm512_unpackhi_epi64(x, _mm512_setzero_si512());
}

// The callers write elements a word or two at a time; loading them 16 bytes at a time lets each
// load take its data straight from the store that wrote it (a wider load that spans several
// stores waits for them to reach the cache).
FE_VPCLMUL inline __m512i Gather(const Fe a[4], std::size_t word) {
  const auto* p0 = reinterpret_cast<const __m128i*>(a[0].w + word);
  const auto* p1 = reinterpret_cast<const __m128i*>(a[1].w + word);
  const auto* p2 = reinterpret_cast<const __m128i*>(a[2].w + word);
  const auto* p3 = reinterpret_cast<const __m128i*>(a[3].w + word);
  const __m256i y01 =
      _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(p0)), _mm_loadu_si128(p1), 1);
  const __m256i y23 =
      _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(p2)), _mm_loadu_si128(p3), 1);
  return _mm512_inserti64x4(_mm512_castsi256_si512(y01), y23, 1);
}

FE_VPCLMUL inline V4 Load4(const Fe a[4]) {
  return {Gather(a, 0), Gather(a, 2)};
}

// One two-source permutation per pair of elements.
FE_VPCLMUL inline void Store4(Fe r[4], const V4& v) {
  const __m512i first = _mm512_set_epi64(11, 10, 3, 2, 9, 8, 1, 0);
  const __m512i second = _mm512_set_epi64(15, 14, 7, 6, 13, 12, 5, 4);
  _mm512_storeu_si512(r[0].w, _mm512_permutex2var_epi64(v.lo, first, v.hi));
  _mm512_storeu_si512(r[2].w, _mm512_permutex2var_epi64(v.lo, second, v.hi));
}

// The three parts of a 128 x 128 product in each lane: low words' product ll, high words' hh
// and the middle sum mid (a0 b1 + a1 b0), which belongs 64 bits up: ll + mid t^64 + hh t^128.
struct Parts128 {
  __m512i ll, hh, mid;
};
FE_VPCLMUL inline Parts128 Mul128(__m512i a, __m512i b) {
  return {
      _mm512_clmulepi64_epi128(a, b, 0x00), _mm512_clmulepi64_epi128(a, b, 0x11),
      _mm512_xor_si512(_mm512_clmulepi64_epi128(a, b, 0x01), _mm512_clmulepi64_epi128(a, b, 0x10))};
}

// (x.hi, y.lo) in every lane.
FE_VPCLMUL inline __m512i LaneAlign(__m512i y, __m512i x) {
  return _mm512_castpd_si512(
      _mm512_shuffle_pd(_mm512_castsi512_pd(x), _mm512_castsi512_pd(y), 0x55));
}

// Reduces the 512-bit p0 + p1 t^128 + p2 t^256 + p3 t^384 lane by lane, as fePclmul.cpp's
// Reduce does (H t^53 + H t, then bits 255 and up with t^255 = t^52 + 1), with funnel shifts
// (VPSHLDQ: one instruction for h_i << s | h_(i-1) >> (64 - s)) and three-input XORs, since
// shifts and shuffles are what limits this loop.
FE_VPCLMUL inline V4 Reduce(__m512i p0, __m512i p1, __m512i p2, __m512i p3) {
  const __m512i u = LaneShiftUp(p2);
  const __m512i v = LaneAlign(p3, p2);
  const __m512i w = LaneShiftDown(p3);
  __m512i lo = _mm512_ternarylogic_epi64(p0, _mm512_shldi_epi64(p2, u, 53),
                                         _mm512_shldi_epi64(p2, u, 1), 0x96);
  __m512i hi = _mm512_ternarylogic_epi64(p1, _mm512_shldi_epi64(p3, v, 53),
                                         _mm512_shldi_epi64(p3, v, 1), 0x96);
  const __m512i over = _mm512_xor_si512(_mm512_srli_epi64(w, 11), _mm512_srli_epi64(w, 63));
  // Bits 255 and up: bit 255 of hi, then over (at t^256) above it, in one funnel shift.
  const __m512i top = _mm512_shldi_epi64(over, LaneShiftDown(hi), 1);
  lo = _mm512_ternarylogic_epi64(lo, top, _mm512_slli_epi64(top, 52), 0x96);
  lo = _mm512_xor_si512(lo, LaneShiftUp(_mm512_srli_epi64(top, 12)));
  hi = _mm512_and_si512(hi, _mm512_set_epi64(0x7FFFFFFFFFFFFFFF, -1, 0x7FFFFFFFFFFFFFFF, -1,
                                             0x7FFFFFFFFFFFFFFF, -1, 0x7FFFFFFFFFFFFFFF, -1));
  return {lo, hi};
}
// Karatsuba on the 128-bit halves: with L = a.lo b.lo, H = a.hi b.hi, M = (a.lo + a.hi)(b.lo +
// b.hi) and S = L + H + M, the product is L + S t^128 + H t^256. Its 128-bit chunks p0..p3 take
// the aligned parts directly; the middle parts (L's at t^64, S's at t^192, H's at t^320) each
// straddle two chunks, and the halves that meet in one chunk are joined by one shuffle
// (LaneAlign), so four shuffles place all three.
FE_VPCLMUL inline V4 Mul(const V4& a, const V4& b) {
  const Parts128 l = Mul128(a.lo, b.lo);
  const Parts128 h = Mul128(a.hi, b.hi);
  const Parts128 m = Mul128(_mm512_xor_si512(a.lo, a.hi), _mm512_xor_si512(b.lo, b.hi));
  const __m512i sll = _mm512_ternarylogic_epi64(l.ll, h.ll, m.ll, 0x96);
  const __m512i shh = _mm512_ternarylogic_epi64(l.hh, h.hh, m.hh, 0x96);
  const __m512i smid = _mm512_ternarylogic_epi64(l.mid, h.mid, m.mid, 0x96);
  const __m512i p0 = _mm512_xor_si512(l.ll, LaneShiftUp(l.mid));
  const __m512i p1 = _mm512_ternarylogic_epi64(l.hh, sll, LaneAlign(smid, l.mid), 0x96);
  const __m512i p2 = _mm512_ternarylogic_epi64(shh, h.ll, LaneAlign(h.mid, smid), 0x96);
  const __m512i p3 = _mm512_xor_si512(h.hh, LaneShiftDown(h.mid));
  return Reduce(p0, p1, p2, p3);
}

FE_VPCLMUL inline V4 Sqr(const V4& a) {
  return Reduce(
      _mm512_clmulepi64_epi128(a.lo, a.lo, 0x00), _mm512_clmulepi64_epi128(a.lo, a.lo, 0x11),
      _mm512_clmulepi64_epi128(a.hi, a.hi, 0x00), _mm512_clmulepi64_epi128(a.hi, a.hi, 0x11));
}

FE_VPCLMUL void Mul4Vpclmul(Fe r[4], const Fe a[4], const Fe b[4]) {
  Store4(r, Mul(Load4(a), Load4(b)));
}

FE_VPCLMUL void Sqr4Vpclmul(Fe r[4], const Fe a[4]) {
  Store4(r, Sqr(Load4(a)));
}

// Eight columns per register: word k of columns 8j .. 8j + 7, merged under the mask that is
// byte j of the argument itself.
FE_VPCLMUL void ApplyAvx512(Fe& r, const std::uint64_t words[4][256], const Fe& a) {
  __m512i acc[4] = {_mm512_setzero_si512(), _mm512_setzero_si512(), _mm512_setzero_si512(),
                    _mm512_setzero_si512()};
  for (std::size_t j = 0; j < 32; ++j) {
    const auto mask = static_cast<__mmask8>(a.w[j / 8] >> (8 * (j % 8)));
    for (std::size_t k = 0; k < 4; ++k) {
      acc[k] = _mm512_mask_xor_epi64(acc[k], mask, acc[k], _mm512_load_si512(&words[k][8 * j]));
    }
  }
  alignas(64) std::uint64_t lanes[4][8];
  for (std::size_t k = 0; k < 4; ++k) _mm512_store_si512(lanes[k], acc[k]);
  for (std::size_t k = 0; k < 4; ++k) {
    std::uint64_t sum = 0;
    for (const std::uint64_t lane : lanes[k]) sum ^= lane;
    r.w[k] = sum;
  }
}

// The same map on N arguments in one pass: the pass is bound by loading the columns (8 KiB),
// which the N arguments then share.
template <std::size_t N>
FE_VPCLMUL void ApplyManyAvx512(Fe* r, const std::uint64_t words[4][256], const Fe* a) {
  __m512i acc[N][4];
  for (std::size_t n = 0; n < N; ++n) {
    for (std::size_t k = 0; k < 4; ++k) acc[n][k] = _mm512_setzero_si512();
  }
  for (std::size_t j = 0; j < 32; ++j) {
    __m512i column[4];
    for (std::size_t k = 0; k < 4; ++k) column[k] = _mm512_load_si512(&words[k][8 * j]);
    for (std::size_t n = 0; n < N; ++n) {
      const auto mask = static_cast<__mmask8>(a[n].w[j / 8] >> (8 * (j % 8)));
      for (std::size_t k = 0; k < 4; ++k) {
        acc[n][k] = _mm512_mask_xor_epi64(acc[n][k], mask, acc[n][k], column[k]);
      }
    }
  }
  for (std::size_t n = 0; n < N; ++n) {
    alignas(64) std::uint64_t lanes[4][8];
    for (std::size_t k = 0; k < 4; ++k) _mm512_store_si512(lanes[k], acc[n][k]);
    for (std::size_t k = 0; k < 4; ++k) {
      std::uint64_t sum = 0;
      for (const std::uint64_t lane : lanes[k]) sum ^= lane;
      r[n].w[k] = sum;
    }
  }
}

// ---- The ladder loop with the pair in registers ----
//
// Every step builds the operands of its three rounds by permuting lanes (a lane is two 64-bit
// words, the same in lo and hi); the conditional swap is folded into the first permutations by
// choosing their index vectors with a mask, so no data-dependent branch or address appears and
// the swap costs nothing extra.

// The 64-bit word indices that move lane src[j] to lane j (src >= 4: lane src - 4 of the second
// source of a two-source permutation).
FE_VPCLMUL inline __m512i LaneIndex(long long s0, long long s1, long long s2, long long s3) {
  return _mm512_set_epi64(2 * s3 + 1, 2 * s3, 2 * s2 + 1, 2 * s2, 2 * s1 + 1, 2 * s1, 2 * s0 + 1,
                          2 * s0);
}

// mask ? a : b, for index vectors.
FE_VPCLMUL inline __m512i SelectIndex(__m512i mask, __m512i a, __m512i b) {
  return _mm512_ternarylogic_epi64(mask, a, b, 0xCA);  // mask & a | ~mask & b
}

FE_VPCLMUL inline V4 Permute(__m512i idx, const V4& a) {
  return {_mm512_permutexvar_epi64(idx, a.lo), _mm512_permutexvar_epi64(idx, a.hi)};
}
FE_VPCLMUL inline V4 Permute2(__mmask8 keep, const V4& a, __m512i idx, const V4& b) {
  return {_mm512_maskz_permutex2var_epi64(keep, a.lo, idx, b.lo),
          _mm512_maskz_permutex2var_epi64(keep, a.hi, idx, b.hi)};
}
FE_VPCLMUL inline V4 Xor(const V4& a, const V4& b) {
  return {_mm512_xor_si512(a.lo, b.lo), _mm512_xor_si512(a.hi, b.hi)};
}

// An element in lane 0, zeros elsewhere.
FE_VPCLMUL inline V4 InLane0(const Fe& a) {
  return {_mm512_castsi128_si512(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a.w))),
          _mm512_castsi128_si512(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a.w + 2)))};
}

// A ladder step's first two rounds, from its operands after the swap, A = (X1, X2, X1, c) and
// B = (Z2, Z1, Z1, Z1): O = A B = (X1 Z2, X2 Z1, X1 Z1, c Z1), and the returned
// R = (X1 Z2 + X2 Z1, X1 Z1, X1 + c Z1, 0)^2 = (Z2', Z1', (X1 + c Z1)^2, 0).
FE_VPCLMUL inline V4 ProductAndSquareRounds(const V4& a, const V4& b, V4& o) {
  const __m512i lane2 = _mm512_set_epi64(0, 0, -1, -1, 0, 0, 0, 0);
  const __m512i sqrFromO = LaneIndex(0, 2, 3, 0);   // (O0, O2, O3, 0), lane 3 zeroed
  const __m512i sqrFromO1 = LaneIndex(1, 0, 0, 0);  // (O1, 0, 0, 0)
  o = Mul(a, b);
  const V4 u1 = Permute2(0x3F, o, sqrFromO, o);
  const V4 u2 = Permute2(0x03, o, sqrFromO1, o);
  const V4 u{_mm512_ternarylogic_epi64(u1.lo, u2.lo, _mm512_and_si512(a.lo, lane2), 0x96),
             _mm512_ternarylogic_epi64(u1.hi, u2.hi, _mm512_and_si512(a.hi, lane2), 0x96)};
  return Sqr(u);
}

// One ladder's pair in registers, stepped by Step and written back by Finish.
//
// Between steps the pair stays as the last round's outputs: W = (px Z2, (X1 Z2)(X2 Z1), X1^4 +
// b Z1^4, 0) and R = (Z2, Z1, ., .), so X1 = W2, X2 = W0 + W1, Z1 = R1, Z2 = R0. The next
// step's operands are read straight from them, with the swap folded into the indices:
//   A = (X1, X2, X1, c), B = (Z2, Z1, Z1, Z1) after the swap;
//   O = A B = (X1 Z2, X2 Z1, X1 Z1, c Z1);
//   R = (X1 Z2 + X2 Z1, X1 Z1, X1 + c Z1, 0)^2;
//   W = (px, X1 Z2, R2, 0) (R0, X2 Z1, R2, 0).
class LadderInRegisters {
 public:
  FE_VPCLMUL LadderInRegisters(const FeLadderPair& pair, const Fe& px, const Fe& c)
      : pxv_(InLane0(px)), cv_(InLane0(c)) {
    const Fe start[4] = {pair.x2, FeZero, pair.x1, FeZero};
    const Fe startZ[4] = {pair.z2, pair.z1, FeZero, FeZero};
    w_ = Load4(start);
    r_ = Load4(startZ);
  }

  FE_VPCLMUL void Step(std::uint64_t bit) {
    const V4 zero{_mm512_setzero_si512(), _mm512_setzero_si512()};
    // A = A1 + A2: A1 takes W2 or W0 (and c from cv), A2 adds W1 where X2 = W0 + W1 goes.
    const __m512i a1Straight = LaneIndex(2, 0, 2, 4), a1Swapped = LaneIndex(0, 2, 0, 4);
    const __m512i a2Straight = LaneIndex(4, 1, 4, 4), a2Swapped = LaneIndex(1, 4, 1, 4);
    const __m512i bStraight = LaneIndex(0, 1, 1, 1), bSwapped = LaneIndex(1, 0, 0, 0);
    const __m512i mulA = LaneIndex(0, 4, 2, 0);  // (0, O0, R2, 0), px added in lane 0
    const __m512i mulB = LaneIndex(0, 5, 2, 0);  // (R0, O1, R2, 0)
    const __m512i swap =
        _mm512_set1_epi64(static_cast<std::int64_t>(CtMaskFromBit(CtBarrier(bit ^ previous_))));
    previous_ = bit;
    const V4 a = Xor(Permute2(0xFF, w_, SelectIndex(swap, a1Swapped, a1Straight), cv_),
                     Permute2(0xFF, w_, SelectIndex(swap, a2Swapped, a2Straight), zero));
    const V4 b = Permute(SelectIndex(swap, bSwapped, bStraight), r_);
    V4 o;
    r_ = ProductAndSquareRounds(a, b, o);
    const V4 ma = Xor(Permute2(0x3C, r_, mulA, o), pxv_);
    const V4 mb = Permute2(0x3F, r_, mulB, o);
    w_ = Mul(ma, mb);
  }

  // (X1, X2, Z1, Z2) after the last swap, into pair.
  FE_VPCLMUL void Finish(FeLadderPair& pair) const {
    V4 s = Xor(Permute2(0xFF, w_, LaneIndex(2, 0, 5, 4), r_),
               Permute2(0x0C, w_, LaneIndex(0, 1, 0, 0), w_));
    const __m512i swap = _mm512_set1_epi64(static_cast<std::int64_t>(CtMaskFromBit(previous_)));
    s = Permute(SelectIndex(swap, LaneIndex(1, 0, 3, 2), LaneIndex(0, 1, 2, 3)), s);
    Fe out[4];
    Store4(out, s);
    pair.x1 = out[0];
    pair.x2 = out[1];
    pair.z1 = out[2];
    pair.z2 = out[3];
    SecureWipe(out, sizeof(out));
  }

 private:
  V4 pxv_, cv_, w_, r_;
  std::uint64_t previous_ = 0;
};

FE_VPCLMUL void LadderWalkVpclmul(FeLadderPair& pair, const Fe& px, const Fe& c,
                                  const std::uint64_t* k, int bits) {
  LadderInRegisters ladder(pair, px, c);
  for (int i = bits - 1; i >= 0; --i) ladder.Step((k[i / 64] >> (i % 64)) & 1);
  ladder.Finish(pair);
}

// Two ladders stepped together, sharing their last round. One ladder leaves the multiplier
// idle between its three dependent rounds, which the other's fill; and the last round of each
// (px Z2 and (X1 Z2)(X2 Z1), plus the square that makes X1) uses three of four lanes, so the
// two share one product round and one squaring round instead of two product rounds:
//   W = (px1 Z2', (X1 Z2)(X2 Z1), px2 Z2'', (X1 Z2)(X2 Z1)'') and
//   Q = (R2^2, R2''^2, c, 0) from (R2, R2'', sqrt(c), 0),
// with each ladder's own R = (Z2, Z1, R2, 0) from its squaring round as in LadderInRegisters.
// So X1 = Q0, X2 = W0 + W1, Z1 = R1, Z2 = R0 for the first ladder, X1 = Q1, X2 = W2 + W3 for
// the second, and Q2 = c feeds both ladders' first rounds.
FE_VPCLMUL void LadderWalkTwoVpclmul(FeLadderPair& pair1, const Fe& px1, FeLadderPair& pair2,
                                     const Fe& px2, const Fe& c, const std::uint64_t* k1,
                                     const std::uint64_t* k2, int bits) {
  Fe sqrtC;
  FeSqrt(sqrtC, c);
  const Fe qStart[4] = {pair1.x1, pair2.x1, c, FeZero};
  const Fe wStart[4] = {pair1.x2, FeZero, pair2.x2, FeZero};
  const Fe r1Start[4] = {pair1.z2, pair1.z1, FeZero, FeZero};
  const Fe r2Start[4] = {pair2.z2, pair2.z1, FeZero, FeZero};
  const Fe pxStart[4] = {px1, FeZero, px2, FeZero};
  const Fe sqrtCStart[4] = {FeZero, FeZero, sqrtC, FeZero};
  V4 q = Load4(qStart);
  V4 w = Load4(wStart);
  V4 r1 = Load4(r1Start);
  V4 r2 = Load4(r2Start);
  const V4 pxv = Load4(pxStart);
  const V4 sqrtCv = Load4(sqrtCStart);
  const V4 zero{_mm512_setzero_si512(), _mm512_setzero_si512()};
  // First-round operands A = A1 + A2 (A1 from W and Q, A2 the second half of X2 from W), as in
  // LadderInRegisters with X1 taken from Q and c from Q2.
  const __m512i a1Straight[2] = {LaneIndex(4, 0, 4, 6), LaneIndex(5, 2, 5, 6)};
  const __m512i a1Swapped[2] = {LaneIndex(0, 4, 0, 6), LaneIndex(2, 5, 2, 6)};
  const __m512i a2Straight[2] = {LaneIndex(4, 1, 4, 4), LaneIndex(4, 3, 4, 4)};
  const __m512i a2Swapped[2] = {LaneIndex(1, 4, 1, 4), LaneIndex(3, 4, 3, 4)};
  const __m512i bStraight = LaneIndex(0, 1, 1, 1), bSwapped = LaneIndex(1, 0, 0, 0);
  std::uint64_t previous[2] = {0, 0};
  const std::uint64_t* k[2] = {k1, k2};
  V4* r[2] = {&r1, &r2};
  V4 o[2];
  for (int i = bits - 1; i >= 0; --i) {
    for (int j = 0; j < 2; ++j) {
      const std::uint64_t bit = (k[j][i / 64] >> (i % 64)) & 1;
      const __m512i swap =
          _mm512_set1_epi64(static_cast<std::int64_t>(CtMaskFromBit(CtBarrier(bit ^ previous[j]))));
      previous[j] = bit;
      const V4 a = Xor(Permute2(0xFF, w, SelectIndex(swap, a1Swapped[j], a1Straight[j]), q),
                       Permute2(0xFF, w, SelectIndex(swap, a2Swapped[j], a2Straight[j]), zero));
      const V4 b = Permute(SelectIndex(swap, bSwapped, bStraight), *r[j]);
      *r[j] = ProductAndSquareRounds(a, b, o[j]);  // (Z2', Z1', R2, 0)
    }
    // (0, O0, 0, O0'') + px, (R0, O1, R0'', O1''); (R2, R2'', 0, 0) + sqrt(c).
    const V4 ma = Xor(Permute2(0xCC, o[0], LaneIndex(0, 0, 0, 4), o[1]), pxv);
    const V4 mb = Xor(Permute2(0x0F, r1, LaneIndex(0, 5, 0, 0), o[0]),
                      Permute2(0xF0, r2, LaneIndex(0, 0, 0, 5), o[1]));
    const V4 sq = Xor(Permute2(0x0F, r1, LaneIndex(2, 6, 0, 0), r2), sqrtCv);
    w = Mul(ma, mb);
    q = Sqr(sq);
  }
  Fe wOut[4], qOut[4], r1Out[4], r2Out[4];
  Store4(wOut, w);
  Store4(qOut, q);
  Store4(r1Out, r1);
  Store4(r2Out, r2);
  FeLadderPair* pairs[2] = {&pair1, &pair2};
  const Fe* rOut[2] = {r1Out, r2Out};
  for (std::size_t j = 0; j < 2; ++j) {
    FeLadderPair& pair = *pairs[j];
    pair.x1 = qOut[j];
    FeAdd(pair.x2, wOut[2 * j], wOut[2 * j + 1]);
    pair.z1 = rOut[j][1];
    pair.z2 = rOut[j][0];
    const std::uint64_t swap = CtMaskFromBit(previous[j]);
    FeCondSwap(pair.x1, pair.x2, swap);
    FeCondSwap(pair.z1, pair.z2, swap);
  }
  SecureWipe(wOut, sizeof(wOut));
  SecureWipe(qOut, sizeof(qOut));
  SecureWipe(r1Out, sizeof(r1Out));
  SecureWipe(r2Out, sizeof(r2Out));
  SecureWipe(o, sizeof(o));
}

// ---- The fixed-base windows with the accumulator in registers ----
//
// The accumulator P = (X1, Y1, Z1, 0) stays in one V4 from the first window to the last; each
// window's entry is found by a masked scan straight into Q = (x2, y2, 0, 0), and the rounds of
// the mixed addition (LdAddAffine's, without its doubling) take their operands from P, Q and the
// previous rounds' outputs by lane permutations. Lanes that a round does not need compute
// don't-care values.

FE_VPCLMUL inline __m512i Broadcast(std::uint64_t mask) {
  return _mm512_set1_epi64(static_cast<std::int64_t>(mask));
}

// mask ? a : b, lane by lane.
FE_VPCLMUL inline V4 Blend(__m512i mask, const V4& a, const V4& b) {
  return {_mm512_ternarylogic_epi64(mask, a.lo, b.lo, 0xCA),
          _mm512_ternarylogic_epi64(mask, a.hi, b.hi, 0xCA)};
}

// a with the 64-bit words under keep taken from a permutation of b.
FE_VPCLMUL inline V4 Place(const V4& a, __mmask8 keep, __m512i idx, const V4& b) {
  return {_mm512_mask_permutexvar_epi64(a.lo, keep, idx, b.lo),
          _mm512_mask_permutexvar_epi64(a.hi, keep, idx, b.hi)};
}

// Lanes of a 64-bit mask: lane i is words 2i and 2i + 1.
constexpr __mmask8 kLane0 = 0x03, kLane1 = 0x0C, kLane2 = 0x30, kLanes01 = 0x0F;

// Q = (x, y, 0, 0) for the entry of magnitude m (none for m = 0) in row, y := x + y when
// negative is all-ones. Every entry is loaded and kept or dropped with a mask.
FE_VPCLMUL inline V4 ScanRow(const BaseTableEntry* row, std::uint64_t m, std::uint64_t negative) {
  __m512i e = _mm512_setzero_si512();
  for (int j = 0; j < kBaseDigits; ++j) {
    const std::uint64_t hit = CtEqualMask(m, static_cast<std::uint64_t>(j) + 1);
    e = _mm512_ternarylogic_epi64(e, Broadcast(hit), _mm512_loadu_si512(row + j), 0xF8);
  }
  // e = (x0 x1 x2 x3 y0 y1 y2 y3): add x to the y half under the mask.
  const __m512i xx = _mm512_shuffle_i64x2(e, e, 0x44);
  const __m512i negY = _mm512_maskz_mov_epi64(0xF0, Broadcast(negative));
  e = _mm512_ternarylogic_epi64(e, negY, xx, 0x78);  // e ^ (negY & xx)
  return {_mm512_maskz_permutexvar_epi64(kLanes01, _mm512_set_epi64(0, 0, 0, 0, 5, 4, 1, 0), e),
          _mm512_maskz_permutexvar_epi64(kLanes01, _mm512_set_epi64(0, 0, 0, 0, 7, 6, 3, 2), e)};
}

// The mixed addition's rounds for P = (X1, Y1, Z1, 0) and Q = (x2, y2, 0, 0), as LdAddAffine
// computes its sum (no zero point and no doubling): MixedAddFirst gives u = (Z1^2, B, ., .),
// B = x2 Z1 + X1, and MixedAddRest the sum (X3, Y3, Z3, 0) from it.
FE_VPCLMUL inline V4 MixedAddFirst(const V4& p, const V4& q) {
  // Round 1: (Z1^2, x2 Z1).
  const V4 o1 =
      Mul(Permute2(kLanes01, p, LaneIndex(2, 4, 0, 0), q), Permute(LaneIndex(2, 2, 2, 2), p));
  // (Z1^2, B = x2 Z1 + X1).
  return Xor(o1, Permute2(kLane1, p, LaneIndex(0, 0, 0, 0), p));
}

FE_VPCLMUL inline V4 MixedAddRest(const V4& p, const V4& q, const V4& u) {
  // Round 2: (y2 Z1^2, C = Z1 B, B^2).
  const V4 a2 =
      Place(Permute2(kLanes01, q, LaneIndex(1, 6, 0, 0), p), kLane2, LaneIndex(0, 0, 1, 0), u);
  const V4 o2 = Mul(a2, Permute(LaneIndex(0, 1, 1, 1), u));
  // (A = y2 Z1^2 + Y1, C, B^2).
  const V4 v = Xor(o2, Permute2(kLane0, p, LaneIndex(1, 0, 0, 0), p));
  // Round 3: (D = B^2 C, Z3 = C^2, E = A C, A^2).
  const V4 o3 = Mul(Permute(LaneIndex(2, 1, 0, 0), v), Permute(LaneIndex(1, 1, 1, 0), v));
  // Round 4: (x2 Z3, Z3^2).
  const V4 o4 =
      Mul(Permute2(kLanes01, q, LaneIndex(0, 5, 0, 0), o3), Permute(LaneIndex(1, 1, 1, 1), o3));
  // X3 = A^2 + D + E in lanes 0 and 1.
  const V4 x3 = {
      _mm512_ternarylogic_epi64(_mm512_permutexvar_epi64(LaneIndex(0, 0, 0, 0), o3.lo),
                                _mm512_permutexvar_epi64(LaneIndex(2, 2, 2, 2), o3.lo),
                                _mm512_permutexvar_epi64(LaneIndex(3, 3, 3, 3), o3.lo), 0x96),
      _mm512_ternarylogic_epi64(_mm512_permutexvar_epi64(LaneIndex(0, 0, 0, 0), o3.hi),
                                _mm512_permutexvar_epi64(LaneIndex(2, 2, 2, 2), o3.hi),
                                _mm512_permutexvar_epi64(LaneIndex(3, 3, 3, 3), o3.hi), 0x96)};
  // Round 5: (G = (x2 + y2) Z3^2, (E + Z3) F) with F = X3 + x2 Z3.
  const V4 a5 = Xor(Permute2(kLanes01, q, LaneIndex(0, 6, 0, 0), o3),
                    Permute2(kLanes01, q, LaneIndex(1, 5, 0, 0), o3));
  const V4 b5p = Permute(LaneIndex(1, 0, 0, 0), o4);
  const V4 b5{_mm512_mask_xor_epi64(b5p.lo, kLane1, b5p.lo, x3.lo),
              _mm512_mask_xor_epi64(b5p.hi, kLane1, b5p.hi, x3.hi)};
  const V4 o5 = Mul(a5, b5);
  // The sum (X3, Y3 = G + (E + Z3) F, Z3, 0).
  return Place(Xor(Permute2(kLanes01, x3, LaneIndex(0, 4, 0, 0), o5),
                   Permute2(kLane1, o5, LaneIndex(0, 1, 0, 0), o5)),
               kLane2, LaneIndex(0, 0, 1, 0), o3);
}

FE_VPCLMUL void BaseWalkVpclmul(FeBaseAccumulator& acc, const BaseTableEntry (*rows)[kBaseDigits],
                                const std::uint64_t* magnitude, const std::uint64_t* negative,
                                int windows) {
  const Fe start[4] = {acc.X, acc.Y, acc.Z, FeZero};
  V4 p = Load4(start);
  // (0, 0, 1, 0): turns Q into the projective (x2, y2, 1).
  const V4 oneInLane2{_mm512_maskz_mov_epi64(0x10, _mm512_set1_epi64(1)), _mm512_setzero_si512()};
  for (int w = 0; w < windows; ++w) {
    const std::uint64_t m = CtBarrier(magnitude[w]);
    const V4 q = ScanRow(rows[w], m, negative[w]);
    const std::uint64_t qZero = CtIsZeroMask(m);
    // Z1 = 0: the accumulator is the zero point (Z1 is canonical).
    const std::uint64_t zWords = static_cast<std::uint64_t>(_mm512_test_epi64_mask(p.lo, p.lo) |
                                                            _mm512_test_epi64_mask(p.hi, p.hi));
    const std::uint64_t pZero = CtIsZeroMask(zWords & kLane2);

    const V4 sum = MixedAddRest(p, q, MixedAddFirst(p, q));
    // The zero point on either side, as LdAddAffine selects.
    const V4 out = Blend(Broadcast(pZero), Xor(q, oneInLane2), sum);
    p = Blend(Broadcast(qZero), p, out);
  }
  Fe out[4];
  Store4(out, p);
  acc.X = out[0];
  acc.Y = out[1];
  acc.Z = out[2];
  SecureWipe(out, sizeof(out));
}

// ---- The public-data group law, one point operation per call ----

// Words word, word + 1 of a0 .. a3 in lanes 0..3 (16-byte loads, as Gather).
FE_VPCLMUL inline __m512i GatherLanes(const Fe& a0, const Fe& a1, const Fe& a2, const Fe& a3,
                                      std::size_t word) {
  const auto load = [word](const Fe& a) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.w + word));
  };
  const __m256i y01 = _mm256_inserti128_si256(_mm256_castsi128_si256(load(a0)), load(a1), 1);
  const __m256i y23 = _mm256_inserti128_si256(_mm256_castsi128_si256(load(a2)), load(a3), 1);
  return _mm512_inserti64x4(_mm512_castsi256_si512(y01), y23, 1);
}

FE_VPCLMUL inline V4 LoadLanes(const Fe& a0, const Fe& a1, const Fe& a2, const Fe& a3) {
  return {GatherLanes(a0, a1, a2, a3, 0), GatherLanes(a0, a1, a2, a3, 2)};
}

// r := the elements in lanes 0, 1 and 2 of v as (X, Y, Z).
FE_VPCLMUL inline void StorePoint(LdPoint& r, const V4& v) {
  const __m512i first = _mm512_set_epi64(11, 10, 3, 2, 9, 8, 1, 0);
  const __m512i second = _mm512_set_epi64(15, 14, 7, 6, 13, 12, 5, 4);
  _mm512_storeu_si512(r.X.w, _mm512_permutex2var_epi64(v.lo, first, v.hi));
  // A plain 32-byte store: the next operation's loads can take their data from it.
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.Z.w),
                      _mm512_castsi512_si256(_mm512_permutex2var_epi64(v.lo, second, v.hi)));
}

// LdDoubleVartime's formula in four rounds: (X^2, Z^2, Y^2) squared; c = sqrt(b) Z^2 and
// Z3 = X^2 Z^2; b Z^4 = c^2 and X3 = (X^2 + c)^2; b Z^4 Z3 and X3 (Y^2 + b Z^4). From and to
// (X, Y, Z, .) in lanes 0-2; lane 3 of the result is not zeroed.
FE_VPCLMUL inline V4 DoubleLanes(const V4& p) {
  const V4 s = Sqr(Permute(LaneIndex(0, 2, 1, 1), p));
  const V4 sqrtB = InLane0(kCurveSqrtB);
  const V4 o2 = Mul(Permute(LaneIndex(1, 0, 0, 0), s),
                    Permute2(kLanes01, s, LaneIndex(4, 1, 0, 0), sqrtB));  // (c, Z3)
  const V4 o3 = Sqr(Xor(Permute(LaneIndex(0, 0, 0, 0), o2),
                        Permute2(kLane1, s, LaneIndex(0, 0, 0, 0), s)));  // (b Z^4, X3)
  const V4 o4 =
      Mul(Xor(Permute(LaneIndex(0, 0, 0, 0), o3), Permute2(kLane1, s, LaneIndex(0, 2, 0, 0), s)),
          Permute2(kLanes01, o2, LaneIndex(1, 5, 0, 0), o3));
  const V4 y = Xor(o4, Permute(LaneIndex(1, 1, 1, 1), o4));  // Y3 in lane 0
  return Place(Permute2(kLanes01, o3, LaneIndex(1, 4, 0, 0), y), kLane2, LaneIndex(0, 0, 1, 0), o2);
}

FE_VPCLMUL void LdDoubleVartimeVpclmul(LdPoint& r, const LdPoint& p) {
  StorePoint(r, DoubleLanes(LoadLanes(p.X, p.Y, p.Z, FeZero)));
}

// LdAddAffineVartime's ordinary case: false, with r untouched, when x2 Z1 + X1 = 0.
FE_VPCLMUL bool LdAddAffineVartimeVpclmul(LdPoint& r, const LdPoint& p, const AffinePoint& q) {
  const V4 pv = LoadLanes(p.X, p.Y, p.Z, FeZero);
  const V4 qv = LoadLanes(q.x, q.y, FeZero, FeZero);
  const V4 u = MixedAddFirst(pv, qv);
  Fe b;
  _mm_storeu_si128(reinterpret_cast<__m128i*>(b.w), _mm512_extracti32x4_epi32(u.lo, 1));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(b.w + 2), _mm512_extracti32x4_epi32(u.hi, 1));
  if (FeIsZeroMask(b) != 0) return false;
  StorePoint(r, MixedAddRest(pv, qv, u));
  return true;
}

// Whether the element in lane `lane` of v is zero (the kernels' outputs are canonical).
FE_VPCLMUL inline bool LaneIsZero(const V4& v, int lane) {
  const auto words = static_cast<__mmask8>(3U << (2 * lane));
  return (_mm512_mask_test_epi64_mask(words, v.lo, v.lo) |
          _mm512_mask_test_epi64_mask(words, v.hi, v.hi)) == 0;
}

}  // namespace

FE_VPCLMUL std::size_t FeLdWalkVartimeVpclmul(LdPoint& acc, const LdWalkStep* steps,
                                              std::size_t count) {
  V4 p = LoadLanes(acc.X, acc.Y, acc.Z, FeZero);
  std::size_t i = 0;
  for (; i < count; ++i) {
    const LdWalkStep& step = steps[i];
    if (step.point == nullptr) {
      p = DoubleLanes(p);
      continue;
    }
    // The zero point on either side.
    if (step.point->infinity != 0 || LaneIsZero(p, 2)) break;
    V4 q = LoadLanes(step.point->x, step.point->y, FeZero, FeZero);
    if (step.negate) q = Xor(q, Permute2(kLane1, q, LaneIndex(0, 0, 0, 0), q));  // y := x + y
    const V4 u = MixedAddFirst(p, q);
    if (LaneIsZero(u, 1)) break;  // B = 0: the same x, a doubling or the zero point
    p = MixedAddRest(p, q, u);
  }
  StorePoint(acc, p);
  return i;
}

FE_VPCLMUL void FeApplyManyAvx512(Fe* r, const std::uint64_t words[4][256], const Fe* a,
                                  std::size_t count) {
  for (; count >= 4; count -= 4, r += 4, a += 4) ApplyManyAvx512<4>(r, words, a);
  if (count == 3) ApplyManyAvx512<3>(r, words, a);
  if (count == 2) ApplyManyAvx512<2>(r, words, a);
  if (count == 1) ApplyManyAvx512<1>(r, words, a);
}

namespace {
constexpr FeOps kOps = {"vpclmulqdq",
                        FeMulPclmul,
                        FeSqrPclmul,
                        FeSqrNPclmul,
                        Mul4Vpclmul,
                        Sqr4Vpclmul,
                        ApplyAvx512,
                        15,
                        LadderWalkVpclmul,
                        LadderWalkTwoVpclmul,
                        BaseWalkVpclmul,
                        LdDoubleVartimeVpclmul,
                        LdAddAffineVartimeVpclmul,
                        FeLdWalkVartimeVpclmul};
}  // namespace

const FeOps* const kFeVpclmulOps = &kOps;

}  // namespace eccrypt::fast::detail

#pragma GCC diagnostic pop

#else

namespace eccrypt::fast::detail {
const FeOps* const kFeVpclmulOps = nullptr;
}  // namespace eccrypt::fast::detail

#endif
