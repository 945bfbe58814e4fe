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

FE_VPCLMUL inline V4 Load4(const Fe a[4]) {
  const __m512i z0 = _mm512_loadu_si512(a[0].w);  // a[0], a[1]
  const __m512i z1 = _mm512_loadu_si512(a[2].w);  // a[2], a[3]
  return {_mm512_shuffle_i64x2(z0, z1, _MM_SHUFFLE(2, 0, 2, 0)),
          _mm512_shuffle_i64x2(z0, z1, _MM_SHUFFLE(3, 1, 3, 1))};
}

FE_VPCLMUL inline void Store4(Fe r[4], const V4& v) {
  const __m512i t0 = _mm512_shuffle_i64x2(v.lo, v.hi, _MM_SHUFFLE(1, 0, 1, 0));  // l0 l1 h0 h1
  const __m512i t1 = _mm512_shuffle_i64x2(v.lo, v.hi, _MM_SHUFFLE(3, 2, 3, 2));  // l2 l3 h2 h3
  _mm512_storeu_si512(r[0].w, _mm512_shuffle_i64x2(t0, t0, _MM_SHUFFLE(3, 1, 2, 0)));
  _mm512_storeu_si512(r[2].w, _mm512_shuffle_i64x2(t1, t1, _MM_SHUFFLE(3, 1, 2, 0)));
}

FE_VPCLMUL inline V4 Mul128(__m512i a, __m512i b) {
  const __m512i l = _mm512_clmulepi64_epi128(a, b, 0x00);
  const __m512i h = _mm512_clmulepi64_epi128(a, b, 0x11);
  const __m512i m =
      _mm512_xor_si512(_mm512_clmulepi64_epi128(a, b, 0x01), _mm512_clmulepi64_epi128(a, b, 0x10));
  return {_mm512_xor_si512(l, LaneShiftUp(m)), _mm512_xor_si512(h, LaneShiftDown(m))};
}

// The fold of fePclmul.cpp's Reduce, lane by lane.
FE_VPCLMUL inline V4 Reduce(__m512i p0, __m512i p1, __m512i p2, __m512i p3) {
  const __m512i c = _mm512_set1_epi64((std::int64_t{1} << 53) | 2);
  const __m512i q0 = _mm512_clmulepi64_epi128(p2, c, 0x00);
  const __m512i q1 = _mm512_clmulepi64_epi128(p2, c, 0x01);
  const __m512i q2 = _mm512_clmulepi64_epi128(p3, c, 0x00);
  const __m512i q3 = _mm512_clmulepi64_epi128(p3, c, 0x01);
  __m512i lo = _mm512_xor_si512(p0, _mm512_xor_si512(q0, LaneShiftUp(q1)));
  __m512i hi = _mm512_xor_si512(_mm512_xor_si512(p1, q2),
                                _mm512_xor_si512(LaneShiftDown(q1), LaneShiftUp(q3)));
  const __m512i top = _mm512_or_si512(_mm512_srli_epi64(LaneShiftDown(hi), 63),
                                      _mm512_slli_epi64(LaneShiftDown(q3), 1));
  const __m512i c2 = _mm512_set1_epi64((std::int64_t{1} << 52) | 1);
  lo = _mm512_xor_si512(lo, _mm512_clmulepi64_epi128(top, c2, 0x00));
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

}  // namespace

namespace {
constexpr FeOps kOps = {"vpclmulqdq", FeMulPclmul, FeSqrPclmul,
                        FeSqrNPclmul, Mul4Vpclmul, Sqr4Vpclmul};
}  // namespace

const FeOps* const kFeVpclmulOps = &kOps;

}  // namespace eccrypt::fast::detail

#pragma GCC diagnostic pop

#else

namespace eccrypt::fast::detail {
const FeOps* const kFeVpclmulOps = nullptr;
}  // namespace eccrypt::fast::detail

#endif
