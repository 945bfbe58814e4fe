// The VPCLMULQDQ path: four independent elements side by side, one per 128-bit lane of a 512-bit
// register, for FeMul4 and FeSqr4. Single products and squares use the PCLMULQDQ code.
//
// Four elements a[0..3] are held as two registers: lo with a[i]'s words 0-1 in lane i, hi with
// its words 2-3. Every step of the single-element algorithm (fePclmul.cpp) then runs on all
// four lanes at once; carry-less multiplies and shifts act within lanes. Only AVX-512F
// instructions are used besides VPCLMULQDQ.
#include "ECCrypt/fast/feInternal.h"

#if defined(__x86_64__) && defined(__GNUC__)
// Some compilers' AVX-512 intrinsics start from an "undefined" register value that their own
// -Wuninitialized then reports when inlined; the values are always fully overwritten.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#include <immintrin.h>

#define FE_VPCLMUL __attribute__((target("pclmul,sse4.1,avx512f,vpclmulqdq")))

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
FE_VPCLMUL inline __m512i Gather(const Fe a[4], int half) {
  const auto* p0 = reinterpret_cast<const __m128i*>(a[0].w + 2 * half);
  const auto* p1 = reinterpret_cast<const __m128i*>(a[1].w + 2 * half);
  const auto* p2 = reinterpret_cast<const __m128i*>(a[2].w + 2 * half);
  const auto* p3 = reinterpret_cast<const __m128i*>(a[3].w + 2 * half);
  const __m256i y01 =
      _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(p0)), _mm_loadu_si128(p1), 1);
  const __m256i y23 =
      _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(p2)), _mm_loadu_si128(p3), 1);
  return _mm512_inserti64x4(_mm512_castsi256_si512(y01), y23, 1);
}

FE_VPCLMUL inline V4 Load4(const Fe a[4]) {
  return {Gather(a, 0), Gather(a, 1)};
}

// One two-source permutation per pair of elements.
FE_VPCLMUL inline void Store4(Fe r[4], const V4& v) {
  const __m512i first = _mm512_set_epi64(11, 10, 3, 2, 9, 8, 1, 0);
  const __m512i second = _mm512_set_epi64(15, 14, 7, 6, 13, 12, 5, 4);
  _mm512_storeu_si512(r[0].w, _mm512_permutex2var_epi64(v.lo, first, v.hi));
  _mm512_storeu_si512(r[2].w, _mm512_permutex2var_epi64(v.lo, second, v.hi));
}

FE_VPCLMUL inline V4 Mul128(__m512i a, __m512i b) {
  const __m512i l = _mm512_clmulepi64_epi128(a, b, 0x00);
  const __m512i h = _mm512_clmulepi64_epi128(a, b, 0x11);
  const __m512i m =
      _mm512_xor_si512(_mm512_clmulepi64_epi128(a, b, 0x01), _mm512_clmulepi64_epi128(a, b, 0x10));
  return {_mm512_xor_si512(l, LaneShiftUp(m)), _mm512_xor_si512(h, LaneShiftDown(m))};
}

// (x.hi, y.lo) in every lane.
FE_VPCLMUL inline __m512i LaneAlign(__m512i y, __m512i x) {
  return _mm512_castpd_si512(
      _mm512_shuffle_pd(_mm512_castsi512_pd(x), _mm512_castsi512_pd(y), 0x55));
}

// The shift fold of fePclmul.cpp's Reduce, lane by lane (three-input XORs in one instruction).
FE_VPCLMUL inline V4 Reduce(__m512i p0, __m512i p1, __m512i p2, __m512i p3) {
  const __m512i u = LaneShiftUp(p2);
  const __m512i v = LaneAlign(p3, p2);
  const __m512i w = LaneShiftDown(p3);
  __m512i lo =
      _mm512_ternarylogic_epi64(p0, _mm512_slli_epi64(p2, 53), _mm512_slli_epi64(p2, 1), 0x96);
  lo = _mm512_ternarylogic_epi64(lo, _mm512_srli_epi64(u, 11), _mm512_srli_epi64(u, 63), 0x96);
  __m512i hi =
      _mm512_ternarylogic_epi64(p1, _mm512_slli_epi64(p3, 53), _mm512_slli_epi64(p3, 1), 0x96);
  hi = _mm512_ternarylogic_epi64(hi, _mm512_srli_epi64(v, 11), _mm512_srli_epi64(v, 63), 0x96);
  const __m512i over = _mm512_xor_si512(_mm512_srli_epi64(w, 11), _mm512_srli_epi64(w, 63));
  const __m512i top =
      _mm512_or_si512(_mm512_srli_epi64(LaneShiftDown(hi), 63), _mm512_slli_epi64(over, 1));
  lo = _mm512_ternarylogic_epi64(lo, top, _mm512_slli_epi64(top, 52), 0x96);
  lo = _mm512_xor_si512(lo, LaneShiftUp(_mm512_srli_epi64(top, 12)));
  hi = _mm512_and_si512(hi, _mm512_set_epi64(0x7FFFFFFFFFFFFFFF, -1, 0x7FFFFFFFFFFFFFFF, -1,
                                             0x7FFFFFFFFFFFFFFF, -1, 0x7FFFFFFFFFFFFFFF, -1));
  return {lo, hi};
}

FE_VPCLMUL inline V4 Mul(const V4& a, const V4& b) {
  const V4 l = Mul128(a.lo, b.lo);
  const V4 h = Mul128(a.hi, b.hi);
  V4 m = Mul128(_mm512_xor_si512(a.lo, a.hi), _mm512_xor_si512(b.lo, b.hi));
  m.lo = _mm512_xor_si512(m.lo, _mm512_xor_si512(l.lo, h.lo));
  m.hi = _mm512_xor_si512(m.hi, _mm512_xor_si512(l.hi, h.hi));
  return Reduce(l.lo, _mm512_xor_si512(l.hi, m.lo), _mm512_xor_si512(h.lo, m.hi), h.hi);
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

// Two columns per register: lanes 0-3 hold column 2p, lanes 4-7 column 2p + 1, and a test of
// the coordinates against a moving bit pattern gives the merge mask for both at once.
FE_VPCLMUL void ApplyAvx512(Fe& r, const Fe columns[256], const Fe& a) {
  // One accumulator per word of a, so that the four chains of merges run side by side.
  __m512i acc[4];
  for (int word = 0; word < 4; ++word) {
    const __m512i x = _mm512_set1_epi64(static_cast<std::int64_t>(a.w[word]));
    __m512i bits = _mm512_set_epi64(2, 2, 2, 2, 1, 1, 1, 1);
    acc[word] = _mm512_setzero_si512();
    for (int p = 0; p < 32; ++p) {
      const __mmask8 k = _mm512_test_epi64_mask(x, bits);
      acc[word] = _mm512_mask_xor_epi64(acc[word], k, acc[word],
                                        _mm512_loadu_si512(columns[64 * word + 2 * p].w));
      bits = _mm512_slli_epi64(bits, 2);
    }
  }
  const __m512i all =
      _mm512_ternarylogic_epi64(acc[0], acc[1], _mm512_xor_si512(acc[2], acc[3]), 0x96);
  const __m256i sum =
      _mm256_xor_si256(_mm512_castsi512_si256(all), _mm512_extracti64x4_epi64(all, 1));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.w), sum);
}

}  // namespace

namespace {
constexpr FeOps kOps = {"vpclmulqdq", FeMulPclmul, FeSqrPclmul, FeSqrNPclmul,
                        Mul4Vpclmul,  Sqr4Vpclmul, ApplyAvx512};
}  // namespace

const FeOps* const kFeVpclmulOps = &kOps;

}  // namespace eccrypt::fast::detail

#pragma GCC diagnostic pop

#else

namespace eccrypt::fast::detail {
const FeOps* const kFeVpclmulOps = nullptr;
}  // namespace eccrypt::fast::detail

#endif
