#include "ECCrypt/formats/chacha20.h"

#include <sodium.h>

#include "ECPlatform/SecureWipe.h"

#if defined(__x86_64__) && defined(__GNUC__)
// Some compilers' AVX-512 rotations start from an "undefined" register value that their own
// -Wmaybe-uninitialized then reports when inlined; every lane of it is overwritten.
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#define ECCRYPT_CHACHA_WIDE 1
#endif

namespace eccrypt::formats {

namespace {

#if defined(ECCRYPT_CHACHA_WIDE)
constexpr std::size_t kWideBytes = std::size_t{16} * 64;

#define ECCRYPT_WIDE __attribute__((target("avx512f")))

ECCRYPT_WIDE inline void QuarterRound(__m512i& a, __m512i& b, __m512i& c, __m512i& d) {
  a = _mm512_add_epi32(a, b);
  d = _mm512_rol_epi32(_mm512_xor_si512(d, a), 16);
  c = _mm512_add_epi32(c, d);
  b = _mm512_rol_epi32(_mm512_xor_si512(b, c), 12);
  a = _mm512_add_epi32(a, b);
  d = _mm512_rol_epi32(_mm512_xor_si512(d, a), 8);
  c = _mm512_add_epi32(c, d);
  b = _mm512_rol_epi32(_mm512_xor_si512(b, c), 7);
}

// Four registers r[0..3], each holding in its 128-bit lane L the words of block 4L + c, become
// four registers whose lanes hold those words in order: a transpose of 32-bit words in 4 x 4
// squares, then of 128-bit lanes.
ECCRYPT_WIDE inline void Transpose4(__m512i& r0, __m512i& r1, __m512i& r2, __m512i& r3) {
  const __m512i a0 = _mm512_unpacklo_epi32(r0, r1);
  const __m512i a1 = _mm512_unpackhi_epi32(r0, r1);
  const __m512i a2 = _mm512_unpacklo_epi32(r2, r3);
  const __m512i a3 = _mm512_unpackhi_epi32(r2, r3);
  r0 = _mm512_unpacklo_epi64(a0, a2);
  r1 = _mm512_unpackhi_epi64(a0, a2);
  r2 = _mm512_unpacklo_epi64(a1, a3);
  r3 = _mm512_unpackhi_epi64(a1, a3);
}

// Sixteen blocks at a time: register i holds word i of the sixteen blocks, one block per
// 32-bit lane, so every round is sixteen blocks' worth of plain vector additions, exclusive ors
// and rotations. The result is transposed back into blocks before it meets the data.
ECCRYPT_WIDE void ChaCha20XorWide(std::uint8_t* out, const std::uint8_t* in, std::size_t blocks16,
                                  const std::uint32_t input[16]) {
  __m512i start[16];
  for (int i = 0; i < 16; ++i) start[i] = _mm512_set1_epi32(static_cast<int>(input[i]));
  start[12] = _mm512_add_epi32(
      start[12], _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
  const __m512i sixteen = _mm512_set1_epi32(16);
  for (std::size_t group = 0; group < blocks16; ++group) {
    __m512i x[16];
    for (int i = 0; i < 16; ++i) x[i] = start[i];
    for (int round = 0; round < 10; ++round) {
      QuarterRound(x[0], x[4], x[8], x[12]);
      QuarterRound(x[1], x[5], x[9], x[13]);
      QuarterRound(x[2], x[6], x[10], x[14]);
      QuarterRound(x[3], x[7], x[11], x[15]);
      QuarterRound(x[0], x[5], x[10], x[15]);
      QuarterRound(x[1], x[6], x[11], x[12]);
      QuarterRound(x[2], x[7], x[8], x[13]);
      QuarterRound(x[3], x[4], x[9], x[14]);
    }
    for (int i = 0; i < 16; ++i) x[i] = _mm512_add_epi32(x[i], start[i]);
    // After these, x[4g + c] holds in its lane L words 4g..4g+3 of block 4L + c.
    for (std::size_t g = 0; g < 16; g += 4) Transpose4(x[g], x[g + 1], x[g + 2], x[g + 3]);
    for (int c = 0; c < 4; ++c) {
      const __m512i p0 = _mm512_shuffle_i32x4(x[c], x[4 + c], 0x44);
      const __m512i p1 = _mm512_shuffle_i32x4(x[c], x[4 + c], 0xEE);
      const __m512i p2 = _mm512_shuffle_i32x4(x[8 + c], x[12 + c], 0x44);
      const __m512i p3 = _mm512_shuffle_i32x4(x[8 + c], x[12 + c], 0xEE);
      const __m512i block[4] = {
          _mm512_shuffle_i32x4(p0, p2, 0x88), _mm512_shuffle_i32x4(p0, p2, 0xDD),
          _mm512_shuffle_i32x4(p1, p3, 0x88), _mm512_shuffle_i32x4(p1, p3, 0xDD)};
      for (int lane = 0; lane < 4; ++lane) {
        const std::size_t at = static_cast<std::size_t>(4 * lane + c) * 64;
        const __m512i data = _mm512_loadu_si512(in + at);
        _mm512_storeu_si512(out + at, _mm512_xor_si512(data, block[lane]));
      }
    }
    in += kWideBytes;
    out += kWideBytes;
    start[12] = _mm512_add_epi32(start[12], sixteen);
  }
}

bool HasWideVectors() {
  static const bool wide = __builtin_cpu_supports("avx512f");
  return wide;
}

std::uint32_t LoadLittle32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
#endif

}  // namespace

void ChaCha20Xor(std::uint8_t* out, const std::uint8_t* in, std::size_t length,
                 const std::uint8_t nonce[12], std::uint32_t counter, const std::uint8_t key[32]) {
  if (length == 0) return;  // `out` and `in` may then be null
#if defined(ECCRYPT_CHACHA_WIDE)
  if (HasWideVectors() && length >= kWideBytes) {
    std::uint32_t input[16] = {0x61707865, 0x3320646e, 0x79622d32, 0x6b206574};
    for (std::size_t i = 0; i < 8; ++i) input[4 + i] = LoadLittle32(key + 4 * i);
    input[12] = counter;
    for (std::size_t i = 0; i < 3; ++i) input[13 + i] = LoadLittle32(nonce + 4 * i);
    const std::size_t groups = length / kWideBytes;
    ChaCha20XorWide(out, in, groups, input);
    ecplatform::SecureWipe(input, sizeof input);
    const std::size_t done = groups * kWideBytes;
    out += done;
    in += done;
    length -= done;
    counter += static_cast<std::uint32_t>(groups * 16);
    if (length == 0) return;
  }
#endif
  crypto_stream_chacha20_ietf_xor_ic(out, in, length, nonce, counter, key);
}

const char* ChaCha20Implementation() {
#if defined(ECCRYPT_CHACHA_WIDE)
  if (HasWideVectors()) return "512-bit vectors";
#endif
  return "libsodium";
}

}  // namespace eccrypt::formats
