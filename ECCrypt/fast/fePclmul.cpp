// The PCLMULQDQ multiplication path: 128-bit registers, one element at a time.
//
// The functions carry target attributes instead of the whole library being compiled for these
// instructions, so the library runs on any x86-64; the dispatcher selects this path only where
// CPUID reports PCLMULQDQ and SSE4.1.
#include <cstddef>

#include "ECCrypt/fast/ct.h"
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

// Reduces the 512-bit p0 + p1 t^128 + p2 t^256 + p3 t^384 (below 2^511), by shifts.
//
// With t^256 = t^53 + t (from t^255 = t^52 + 1), the high half H = p2 + p3 t^128 folds in as
// H t^53 + H t: word i of each shifted copy is h_i << s | h_(i-1) >> (64 - s). What lands at
// t^255 and above (at most 54 bits) folds once more with t^255 = t^52 + 1, which also clears
// bit 255. (Folding with carry-less multiplies by t^53 + t instead was measured slower: the
// carry-less multiplier is the busiest unit.)
FE_PCLMUL inline V256 Reduce(__m128i p0, __m128i p1, __m128i p2, __m128i p3) {
  const __m128i u = _mm_slli_si128(p2, 8);       // (0, h0)
  const __m128i v = _mm_alignr_epi8(p3, p2, 8);  // (h1, h2)
  const __m128i w = _mm_srli_si128(p3, 8);       // (h3, 0)
  __m128i lo = _mm_xor_si128(_mm_xor_si128(p0, _mm_slli_epi64(p2, 53)),
                             _mm_xor_si128(_mm_slli_epi64(p2, 1), _mm_srli_epi64(u, 11)));
  lo = _mm_xor_si128(lo, _mm_srli_epi64(u, 63));
  __m128i hi = _mm_xor_si128(_mm_xor_si128(p1, _mm_slli_epi64(p3, 53)),
                             _mm_xor_si128(_mm_slli_epi64(p3, 1), _mm_srli_epi64(v, 11)));
  hi = _mm_xor_si128(hi, _mm_srli_epi64(v, 63));
  const __m128i over = _mm_xor_si128(_mm_srli_epi64(w, 11), _mm_srli_epi64(w, 63));  // at t^256
  // Bits 255 and up (at most 54) fold with t^255 = t^52 + 1.
  const __m128i top =
      _mm_or_si128(_mm_srli_epi64(_mm_srli_si128(hi, 8), 63), _mm_slli_epi64(over, 1));
  lo = _mm_xor_si128(lo, _mm_xor_si128(top, _mm_slli_epi64(top, 52)));
  lo = _mm_xor_si128(lo, _mm_slli_si128(_mm_srli_epi64(top, 12), 8));
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

// Two columns at a time: each coordinate becomes a mask by comparing its isolated bit with the
// bit itself, and the pair of masks selects word k of both columns in one register.
FE_PCLMUL void ApplySse(Fe& r, const std::uint64_t words[4][256], const Fe& a) {
  __m128i acc[4] = {_mm_setzero_si128(), _mm_setzero_si128(), _mm_setzero_si128(),
                    _mm_setzero_si128()};
  for (std::size_t word = 0; word < 4; ++word) {
    const __m128i x = _mm_set1_epi64x(static_cast<std::int64_t>(a.w[word]));
    __m128i bits = _mm_set_epi64x(2, 1);
    for (std::size_t j = 0; j < 64; j += 2) {
      const __m128i m = _mm_cmpeq_epi64(_mm_and_si128(x, bits), bits);
      for (std::size_t k = 0; k < 4; ++k) {
        const __m128i w =
            _mm_load_si128(reinterpret_cast<const __m128i*>(&words[k][64 * word + j]));
        acc[k] = _mm_xor_si128(acc[k], _mm_and_si128(m, w));
      }
      bits = _mm_slli_epi64(bits, 2);
    }
  }
  alignas(16) std::uint64_t lanes[4][2];
  for (std::size_t k = 0; k < 4; ++k) {
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[k]), acc[k]);
  }
  for (std::size_t k = 0; k < 4; ++k) r.w[k] = lanes[k][0] ^ lanes[k][1];
}

FE_PCLMUL inline V256 Add(const V256& a, const V256& b) {
  return {_mm_xor_si128(a.lo, b.lo), _mm_xor_si128(a.hi, b.hi)};
}

FE_PCLMUL inline void CondSwap(V256& a, V256& b, __m128i mask) {
  const __m128i dlo = _mm_and_si128(mask, _mm_xor_si128(a.lo, b.lo));
  const __m128i dhi = _mm_and_si128(mask, _mm_xor_si128(a.hi, b.hi));
  a = {_mm_xor_si128(a.lo, dlo), _mm_xor_si128(a.hi, dhi)};
  b = {_mm_xor_si128(b.lo, dlo), _mm_xor_si128(b.hi, dhi)};
}

// The ladder loop with the pair in registers: the products of a round are independent, so the
// processor overlaps them without the rounds' trips through memory.
FE_PCLMUL void LadderWalkPclmul(FeLadderPair& pair, const Fe& px, const Fe& c,
                                const std::uint64_t* k, int bits) {
  V256 x1 = Load(pair.x1);
  V256 z1 = Load(pair.z1);
  V256 x2 = Load(pair.x2);
  V256 z2 = Load(pair.z2);
  const V256 pv = Load(px);
  const V256 cv = Load(c);
  std::uint64_t previous = 0;
  for (int i = bits - 1; i >= 0; --i) {
    const std::uint64_t bit = (k[i / 64] >> (i % 64)) & 1;
    const __m128i swap =
        _mm_set1_epi64x(static_cast<std::int64_t>(CtMaskFromBit(CtBarrier(bit ^ previous))));
    previous = bit;
    CondSwap(x1, x2, swap);
    CondSwap(z1, z2, swap);
    const V256 t1 = Mul(x1, z2);
    const V256 t2 = Mul(x2, z1);
    const V256 x1z1 = Mul(x1, z1);
    const V256 cz1 = Mul(cv, z1);
    z2 = Sqr(Add(t1, t2));
    z1 = Sqr(x1z1);
    x1 = Sqr(Sqr(Add(x1, cz1)));
    x2 = Add(Mul(pv, z2), Mul(t1, t2));
  }
  const __m128i swap = _mm_set1_epi64x(static_cast<std::int64_t>(CtMaskFromBit(previous)));
  CondSwap(x1, x2, swap);
  CondSwap(z1, z2, swap);
  Store(pair.x1, x1);
  Store(pair.z1, z1);
  Store(pair.x2, x2);
  Store(pair.z2, z2);
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
constexpr FeOps kOps = {"pclmulqdq", FeMulPclmul, FeSqrPclmul, FeSqrNPclmul,     Mul4Pclmul,
                        Sqr4Pclmul,  ApplySse,    31,          LadderWalkPclmul, nullptr,
                        nullptr,     nullptr,     nullptr,     nullptr};
}  // namespace

const FeOps* const kFePclmulOps = &kOps;

}  // namespace eccrypt::fast::detail

#else

namespace eccrypt::fast::detail {
const FeOps* const kFePclmulOps = nullptr;
}  // namespace eccrypt::fast::detail

#endif
