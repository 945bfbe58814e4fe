// The PCLMULQDQ multiplication path: 128-bit registers, one element at a time.
//
// The functions carry target attributes instead of the whole library being compiled for these
// instructions, so the library runs on any x86-64; the dispatcher selects this path only where
// CPUID reports PCLMULQDQ and SSE4.1.
#include "ECCrypt/fast/feInternal.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>

#define FE_PCLMUL __attribute__((target("pclmul,sse4.1")))

namespace eccrypt::fast::detail {
namespace {

// A 256-bit value in two registers, low half first.
struct V256 {
  __m128i lo, hi;
};

FE_PCLMUL inline V256 Load(const Fe& a) {
  return {_mm_loadu_si128(reinterpret_cast<const __m128i*>(a.w)),
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(a.w + 2))};
}

FE_PCLMUL inline void Store(Fe& r, const V256& v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(r.w), v.lo);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(r.w + 2), v.hi);
}

// a * b for 128-bit a and b, schoolbook on 64-bit words (four carry-less multiplies).
FE_PCLMUL inline V256 Mul128(__m128i a, __m128i b) {
  const __m128i l = _mm_clmulepi64_si128(a, b, 0x00);
  const __m128i h = _mm_clmulepi64_si128(a, b, 0x11);
  const __m128i m =
      _mm_xor_si128(_mm_clmulepi64_si128(a, b, 0x01), _mm_clmulepi64_si128(a, b, 0x10));
  return {_mm_xor_si128(l, _mm_slli_si128(m, 8)), _mm_xor_si128(h, _mm_srli_si128(m, 8))};
}

// Reduces the 512-bit p0 + p1 t^128 + p2 t^256 + p3 t^384 (below 2^511).
//
// With t^256 = t^53 + t (from t^255 = t^52 + 1), the high half H = p2 + p3 t^128 folds in as
// H (t^53 + t): four carry-less multiplies of H's words by the 64-bit constant t^53 + t. What
// lands at t^255 and above (at most 54 bits) folds once more, with t^255 = t^52 + 1, which also
// clears bit 255.
FE_PCLMUL inline V256 Reduce(__m128i p0, __m128i p1, __m128i p2, __m128i p3) {
  const __m128i c = _mm_set_epi64x(0, (std::int64_t{1} << 53) | 2);
  const __m128i q0 = _mm_clmulepi64_si128(p2, c, 0x00);  // at t^0
  const __m128i q1 = _mm_clmulepi64_si128(p2, c, 0x01);  // at t^64
  const __m128i q2 = _mm_clmulepi64_si128(p3, c, 0x00);  // at t^128
  const __m128i q3 = _mm_clmulepi64_si128(p3, c, 0x01);  // at t^192
  __m128i lo = _mm_xor_si128(p0, _mm_xor_si128(q0, _mm_slli_si128(q1, 8)));
  __m128i hi = _mm_xor_si128(_mm_xor_si128(p1, q2),
                             _mm_xor_si128(_mm_srli_si128(q1, 8), _mm_slli_si128(q3, 8)));
  // Bits 255 and up: bit 127 of hi, then q3's high word (at t^256).
  const __m128i top = _mm_or_si128(_mm_srli_epi64(_mm_srli_si128(hi, 8), 63),
                                   _mm_slli_epi64(_mm_srli_si128(q3, 8), 1));
  const __m128i c2 = _mm_set_epi64x(0, (std::int64_t{1} << 52) | 1);
  lo = _mm_xor_si128(lo, _mm_clmulepi64_si128(top, c2, 0x00));
  hi = _mm_and_si128(hi, _mm_set_epi64x(0x7FFFFFFFFFFFFFFF, -1));
  return {lo, hi};
}

FE_PCLMUL inline V256 Mul(const V256& a, const V256& b) {
  const V256 l = Mul128(a.lo, b.lo);
  const V256 h = Mul128(a.hi, b.hi);
  V256 m = Mul128(_mm_xor_si128(a.lo, a.hi), _mm_xor_si128(b.lo, b.hi));
  m.lo = _mm_xor_si128(m.lo, _mm_xor_si128(l.lo, h.lo));
  m.hi = _mm_xor_si128(m.hi, _mm_xor_si128(l.hi, h.hi));
  return Reduce(l.lo, _mm_xor_si128(l.hi, m.lo), _mm_xor_si128(h.lo, m.hi), h.hi);
}

// Squaring is linear over GF(2): the square of each word is its carry-less square.
FE_PCLMUL inline V256 Sqr(const V256& a) {
  return Reduce(_mm_clmulepi64_si128(a.lo, a.lo, 0x00), _mm_clmulepi64_si128(a.lo, a.lo, 0x11),
                _mm_clmulepi64_si128(a.hi, a.hi, 0x00), _mm_clmulepi64_si128(a.hi, a.hi, 0x11));
}

FE_PCLMUL void Mul4Pclmul(Fe r[4], const Fe a[4], const Fe b[4]) {
  V256 p[4];
  for (int i = 0; i < 4; ++i) p[i] = Mul(Load(a[i]), Load(b[i]));
  for (int i = 0; i < 4; ++i) Store(r[i], p[i]);
}

FE_PCLMUL void Sqr4Pclmul(Fe r[4], const Fe a[4]) {
  V256 p[4];
  for (int i = 0; i < 4; ++i) p[i] = Sqr(Load(a[i]));
  for (int i = 0; i < 4; ++i) Store(r[i], p[i]);
}

}  // namespace

FE_PCLMUL void FeMulPclmul(Fe& r, const Fe& a, const Fe& b) {
  Store(r, Mul(Load(a), Load(b)));
}

FE_PCLMUL void FeSqrPclmul(Fe& r, const Fe& a) {
  Store(r, Sqr(Load(a)));
}

FE_PCLMUL void FeSqrNPclmul(Fe& r, const Fe& a, int n) {
  V256 x = Load(FeCanonical(a));
  for (int i = 0; i < n; ++i) x = Sqr(x);
  Store(r, x);
}

namespace {
constexpr FeOps kOps = {"pclmulqdq",  FeMulPclmul, FeSqrPclmul,
                        FeSqrNPclmul, Mul4Pclmul,  Sqr4Pclmul};
}  // namespace

const FeOps* const kFePclmulOps = &kOps;

}  // namespace eccrypt::fast::detail

#else

namespace eccrypt::fast::detail {
const FeOps* const kFePclmulOps = nullptr;
}  // namespace eccrypt::fast::detail

#endif
