#include "ECCrypt/formats/poly1305.h"

#include <cstring>

#include "ECPlatform/SecureWipe.h"

#if defined(__x86_64__) && defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#define ECCRYPT_POLY_WIDE 1
#endif

namespace eccrypt::formats {

namespace {

__extension__ typedef unsigned __int128 U128;

constexpr std::uint64_t kLimb = (std::uint64_t{1} << 26) - 1;
constexpr std::size_t kBlock = 16;

std::uint32_t Load32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// h := h * r mod 2^130 - 5 (not fully reduced), limbs of h below 2^28 and of r below 2^27 on
// entry: every limb of the result is below 2^27 (the last carry is left in limb 1), so h plus a
// block stays below 2^28. The products are below 2^28 * 5 * 2^27 < 2^58, so five of them sum in
// 64 bits without overflow.
void MultiplyReduce(std::uint64_t h[5], const std::uint64_t r[5]) {
  const std::uint64_t s1 = r[1] * 5, s2 = r[2] * 5, s3 = r[3] * 5, s4 = r[4] * 5;
  std::uint64_t d0 = h[0] * r[0] + h[1] * s4 + h[2] * s3 + h[3] * s2 + h[4] * s1;
  std::uint64_t d1 = h[0] * r[1] + h[1] * r[0] + h[2] * s4 + h[3] * s3 + h[4] * s2;
  std::uint64_t d2 = h[0] * r[2] + h[1] * r[1] + h[2] * r[0] + h[3] * s4 + h[4] * s3;
  std::uint64_t d3 = h[0] * r[3] + h[1] * r[2] + h[2] * r[1] + h[3] * r[0] + h[4] * s4;
  std::uint64_t d4 = h[0] * r[4] + h[1] * r[3] + h[2] * r[2] + h[3] * r[1] + h[4] * r[0];
  d1 += d0 >> 26;
  d2 += d1 >> 26;
  d3 += d2 >> 26;
  d4 += d3 >> 26;
  std::uint64_t h0 = (d0 & kLimb) + (d4 >> 26) * 5;
  h[1] = (d1 & kLimb) + (h0 >> 26);
  h[0] = h0 & kLimb;
  h[2] = d2 & kLimb;
  h[3] = d3 & kLimb;
  h[4] = d4 & kLimb;
}

// The five limbs of a 16-byte block, with 2^128 added as `topBit` (1 << 24 in limb 4) says.
void BlockLimbs(const std::uint8_t* block, std::uint64_t topBit, std::uint64_t m[5]) {
  m[0] = Load32(block) & kLimb;
  m[1] = (Load32(block + 3) >> 2) & kLimb;
  m[2] = (Load32(block + 6) >> 4) & kLimb;
  m[3] = (Load32(block + 9) >> 6) & kLimb;
  m[4] = (Load32(block + 12) >> 8) | topBit;
}

#if defined(ECCRYPT_POLY_WIDE)
#define ECCRYPT_WIDE __attribute__((target("avx512f")))

constexpr std::size_t kWideBytes = 8 * kBlock;

bool HasWideVectors() {
  static const bool wide = __builtin_cpu_supports("avx512f");
  return wide;
}

// The lanes hold eight independent accumulators, each limb in the low half of a 64-bit lane,
// so one vector multiply gives eight of the scalar code's products.
struct WideLimbs {
  __m512i v[5];
};

ECCRYPT_WIDE inline WideLimbs LoadBlocks(const std::uint8_t* data) {
  const __m512i first = _mm512_loadu_si512(data);
  const __m512i second = _mm512_loadu_si512(data + 64);
  const __m512i low =
      _mm512_permutex2var_epi64(first, _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14), second);
  const __m512i high =
      _mm512_permutex2var_epi64(first, _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15), second);
  const __m512i mask = _mm512_set1_epi64(static_cast<long long>(kLimb));
  WideLimbs m;
  m.v[0] = _mm512_and_si512(low, mask);
  m.v[1] = _mm512_and_si512(_mm512_srli_epi64(low, 26), mask);
  m.v[2] = _mm512_and_si512(
      _mm512_or_si512(_mm512_srli_epi64(low, 52), _mm512_slli_epi64(high, 12)), mask);
  m.v[3] = _mm512_and_si512(_mm512_srli_epi64(high, 14), mask);
  m.v[4] = _mm512_or_si512(_mm512_srli_epi64(high, 40), _mm512_set1_epi64(1 << 24));
  return m;
}

// h := h * r lane by lane, with the scalar code's bounds and carries.
ECCRYPT_WIDE inline void WideMultiplyReduce(WideLimbs& h, const WideLimbs& r, const WideLimbs& s) {
  const __m512i* a = h.v;
  const __m512i d0 = _mm512_add_epi64(
      _mm512_add_epi64(_mm512_mul_epu32(a[0], r.v[0]), _mm512_mul_epu32(a[1], s.v[4])),
      _mm512_add_epi64(
          _mm512_add_epi64(_mm512_mul_epu32(a[2], s.v[3]), _mm512_mul_epu32(a[3], s.v[2])),
          _mm512_mul_epu32(a[4], s.v[1])));
  __m512i d1 = _mm512_add_epi64(
      _mm512_add_epi64(_mm512_mul_epu32(a[0], r.v[1]), _mm512_mul_epu32(a[1], r.v[0])),
      _mm512_add_epi64(
          _mm512_add_epi64(_mm512_mul_epu32(a[2], s.v[4]), _mm512_mul_epu32(a[3], s.v[3])),
          _mm512_mul_epu32(a[4], s.v[2])));
  __m512i d2 = _mm512_add_epi64(
      _mm512_add_epi64(_mm512_mul_epu32(a[0], r.v[2]), _mm512_mul_epu32(a[1], r.v[1])),
      _mm512_add_epi64(
          _mm512_add_epi64(_mm512_mul_epu32(a[2], r.v[0]), _mm512_mul_epu32(a[3], s.v[4])),
          _mm512_mul_epu32(a[4], s.v[3])));
  __m512i d3 = _mm512_add_epi64(
      _mm512_add_epi64(_mm512_mul_epu32(a[0], r.v[3]), _mm512_mul_epu32(a[1], r.v[2])),
      _mm512_add_epi64(
          _mm512_add_epi64(_mm512_mul_epu32(a[2], r.v[1]), _mm512_mul_epu32(a[3], r.v[0])),
          _mm512_mul_epu32(a[4], s.v[4])));
  __m512i d4 = _mm512_add_epi64(
      _mm512_add_epi64(_mm512_mul_epu32(a[0], r.v[4]), _mm512_mul_epu32(a[1], r.v[3])),
      _mm512_add_epi64(
          _mm512_add_epi64(_mm512_mul_epu32(a[2], r.v[2]), _mm512_mul_epu32(a[3], r.v[1])),
          _mm512_mul_epu32(a[4], r.v[0])));
  const __m512i mask = _mm512_set1_epi64(static_cast<long long>(kLimb));
  d1 = _mm512_add_epi64(d1, _mm512_srli_epi64(d0, 26));
  d2 = _mm512_add_epi64(d2, _mm512_srli_epi64(d1, 26));
  d3 = _mm512_add_epi64(d3, _mm512_srli_epi64(d2, 26));
  d4 = _mm512_add_epi64(d4, _mm512_srli_epi64(d3, 26));
  const __m512i c = _mm512_srli_epi64(d4, 26);
  // c * 5 = c + 4c.
  const __m512i h0 =
      _mm512_add_epi64(_mm512_and_si512(d0, mask), _mm512_add_epi64(c, _mm512_slli_epi64(c, 2)));
  h.v[1] = _mm512_add_epi64(_mm512_and_si512(d1, mask), _mm512_srli_epi64(h0, 26));
  h.v[0] = _mm512_and_si512(h0, mask);
  h.v[2] = _mm512_and_si512(d2, mask);
  h.v[3] = _mm512_and_si512(d3, mask);
  h.v[4] = _mm512_and_si512(d4, mask);
}

// groups * 8 blocks starting from h, h the sum of the eight lanes at the end. Lane j takes the
// blocks j, j + 8, ...: every group but the last is multiplied by r^8 in every lane, the last by
// r^(8 - j) in lane j, so that each block ends up multiplied by the power it has in the scalar
// sum h r^n + m_1 r^(n-1) + ... (every block with 2^128 added).
ECCRYPT_WIDE void WideRun(std::uint64_t h[5], const std::uint64_t powers[8][5],
                          const std::uint8_t* data, std::size_t groups) {
  WideLimbs r8, s8, rLast, sLast, acc;
  for (int i = 0; i < 5; ++i) {
    r8.v[i] = _mm512_set1_epi64(static_cast<long long>(powers[7][i]));
    s8.v[i] = _mm512_add_epi64(r8.v[i], _mm512_slli_epi64(r8.v[i], 2));
    rLast.v[i] = _mm512_setr_epi64(
        static_cast<long long>(powers[7][i]), static_cast<long long>(powers[6][i]),
        static_cast<long long>(powers[5][i]), static_cast<long long>(powers[4][i]),
        static_cast<long long>(powers[3][i]), static_cast<long long>(powers[2][i]),
        static_cast<long long>(powers[1][i]), static_cast<long long>(powers[0][i]));
    sLast.v[i] = _mm512_add_epi64(rLast.v[i], _mm512_slli_epi64(rLast.v[i], 2));
    acc.v[i] = _mm512_setr_epi64(static_cast<long long>(h[i]), 0, 0, 0, 0, 0, 0, 0);
  }
  for (std::size_t g = 0; g < groups; ++g, data += kWideBytes) {
    const WideLimbs m = LoadBlocks(data);
    for (int i = 0; i < 5; ++i) acc.v[i] = _mm512_add_epi64(acc.v[i], m.v[i]);
    if (g + 1 < groups) {
      WideMultiplyReduce(acc, r8, s8);
    } else {
      WideMultiplyReduce(acc, rLast, sLast);
    }
  }
  // Eight lanes below 2^27 each: sums below 2^30, carried by the caller.
  for (int i = 0; i < 5; ++i) h[i] = static_cast<std::uint64_t>(_mm512_reduce_add_epi64(acc.v[i]));
}
#endif

// Carries h so that every limb but limb 1 is below 2^26 and limb 1 at most 2^26.
void Carry(std::uint64_t h[5]) {
  for (int i = 0; i < 4; ++i) {
    h[i + 1] += h[i] >> 26;
    h[i] &= kLimb;
  }
  h[0] += (h[4] >> 26) * 5;
  h[4] &= kLimb;
  h[1] += h[0] >> 26;
  h[0] &= kLimb;
}

}  // namespace

Poly1305::Poly1305(const std::uint8_t key[32]) {
  r_[0] = Load32(key) & 0x3ffffff;
  r_[1] = (Load32(key + 3) >> 2) & 0x3ffff03;
  r_[2] = (Load32(key + 6) >> 4) & 0x3ffc0ff;
  r_[3] = (Load32(key + 9) >> 6) & 0x3f03fff;
  r_[4] = (Load32(key + 12) >> 8) & 0x00fffff;
  for (std::size_t i = 0; i < 4; ++i) s_[i] = Load32(key + 16 + 4 * i);
}

Poly1305::~Poly1305() {
  ecplatform::SecureWipe(r_, sizeof r_);
  ecplatform::SecureWipe(h_, sizeof h_);
  ecplatform::SecureWipe(s_, sizeof s_);
  ecplatform::SecureWipe(powers_, sizeof powers_);
  ecplatform::SecureWipe(buffer_, sizeof buffer_);
}

void Poly1305::Blocks(const std::uint8_t* data, std::size_t blocks, std::uint64_t topBit) {
  for (; blocks > 0; --blocks, data += kBlock) {
    std::uint64_t m[5];
    BlockLimbs(data, topBit, m);
    for (int i = 0; i < 5; ++i) h_[i] += m[i];
    MultiplyReduce(h_, r_);
  }
}

void Poly1305::WideBlocks(const std::uint8_t* data, std::size_t groups) {
#if defined(ECCRYPT_POLY_WIDE)
  if (!havePowers_) {
    std::memcpy(powers_[0], r_, sizeof r_);
    for (int i = 1; i < 8; ++i) {
      std::memcpy(powers_[i], powers_[i - 1], sizeof r_);
      MultiplyReduce(powers_[i], r_);
      // Every limb of a power is below 2^27, as products need.
    }
    havePowers_ = true;
  }
  WideRun(h_, powers_, data, groups);
  Carry(h_);
#else
  Blocks(data, groups * 8, std::uint64_t{1} << 24);
#endif
}

void Poly1305::Update(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;  // `data` may then be null, which memcpy must not see
  if (buffered_ > 0) {
    const std::size_t take = std::min(kBlock - buffered_, size);
    std::memcpy(buffer_ + buffered_, data, take);
    buffered_ += take;
    data += take;
    size -= take;
    if (buffered_ < kBlock) return;
    Blocks(buffer_, 1, std::uint64_t{1} << 24);
    buffered_ = 0;
  }
#if defined(ECCRYPT_POLY_WIDE)
  if (size >= kWideBytes && HasWideVectors()) {
    const std::size_t groups = size / kWideBytes;
    WideBlocks(data, groups);
    data += groups * kWideBytes;
    size -= groups * kWideBytes;
  }
#endif
  const std::size_t blocks = size / kBlock;
  Blocks(data, blocks, std::uint64_t{1} << 24);
  data += blocks * kBlock;
  size -= blocks * kBlock;
  if (size > 0) std::memcpy(buffer_, data, size);
  buffered_ = size;
}

void Poly1305::Finish(std::uint8_t tag[16]) {
  if (buffered_ > 0) {
    // A short last block: a 1 byte after its bytes, zeros to the block's end, no 2^128.
    buffer_[buffered_] = 1;
    std::memset(buffer_ + buffered_ + 1, 0, kBlock - buffered_ - 1);
    Blocks(buffer_, 1, 0);
    buffered_ = 0;
  }
  Carry(h_);
  // The accumulator as one number of three words, then reduced mod p = 2^130 - 5 exactly: the
  // bits from 2^130 up folded back (times 5), then p subtracted when h >= p, seen as h + 5
  // reaching 2^130; chosen with masks, not a branch.
  U128 acc = static_cast<U128>(h_[0]) + (static_cast<U128>(h_[1]) << 26) +
             (static_cast<U128>(h_[2]) << 52);
  std::uint64_t w0 = static_cast<std::uint64_t>(acc);
  acc = (acc >> 64) + (static_cast<U128>(h_[3]) << 14) + (static_cast<U128>(h_[4]) << 40);
  std::uint64_t w1 = static_cast<std::uint64_t>(acc);
  std::uint64_t w2 = static_cast<std::uint64_t>(acc >> 64);
  acc = static_cast<U128>(w0) + static_cast<U128>((w2 >> 2) * 5);
  w2 &= 3;
  w0 = static_cast<std::uint64_t>(acc);
  acc = (acc >> 64) + w1;
  w1 = static_cast<std::uint64_t>(acc);
  w2 += static_cast<std::uint64_t>(acc >> 64);
  acc = static_cast<U128>(w0) + 5;
  const std::uint64_t g0 = static_cast<std::uint64_t>(acc);
  acc = (acc >> 64) + w1;
  const std::uint64_t g1 = static_cast<std::uint64_t>(acc);
  const std::uint64_t g2 = w2 + static_cast<std::uint64_t>(acc >> 64);
  const std::uint64_t useG = 0 - (g2 >> 2);  // h + 5 reached 2^130: h >= p
  w0 = (w0 & ~useG) | (g0 & useG);
  w1 = (w1 & ~useG) | (g1 & useG);
  // The tag: the low 128 bits plus s.
  acc = static_cast<U128>(w0) + (s_[0] | static_cast<std::uint64_t>(s_[1]) << 32);
  const std::uint64_t sumLow = static_cast<std::uint64_t>(acc);
  const std::uint64_t sumHigh = static_cast<std::uint64_t>(
      (acc >> 64) + w1 + (s_[2] | static_cast<std::uint64_t>(s_[3]) << 32));
  for (int i = 0; i < 8; ++i) {
    tag[i] = static_cast<std::uint8_t>(sumLow >> (8 * i));
    tag[8 + i] = static_cast<std::uint8_t>(sumHigh >> (8 * i));
  }
}

}  // namespace eccrypt::formats
