// The portable multiplication path: carry-less products from ordinary integer multiplies.
//
// A 64 x 64 carry-less product is built from 25 integer products of operands with "holes": each
// operand is split into five parts holding the bits whose position is i (mod 5). In the integer
// product of two such parts, every bit position collects at most 13 one-bit terms, a count that
// fits in 4 bits, so carries never reach the next position of the same residue; the wanted
// parity bits are read back through the residue mask. Integer multiplication takes the same
// time whatever the operands, and there are no branches or table reads on data.
#include <cstddef>
#include <cstdint>

#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast::detail {
namespace {

#if defined(__wasm__)
// WebAssembly multiplies 64 x 64 bits to the low 64 only: each 128-bit product below would be a
// library call of several multiplies. There the 64 x 64 product is built instead from three
// 32 x 32 carry-less products (Karatsuba), each from 16 integer products whose full 64 bits one
// instruction gives: operands split into four parts by bit position mod 4; every bit position of
// one integer product collects at most 8 one-bit terms, which fit in 4 bits, so no carry reaches
// the next position of the same residue, and the products are combined by exclusive or.
inline std::uint64_t Clmul32(std::uint32_t a, std::uint32_t b) {
  constexpr std::uint64_t kMask[4] = {0x1111111111111111ULL, 0x2222222222222222ULL,
                                      0x4444444444444444ULL, 0x8888888888888888ULL};
  std::uint64_t as[4];
  std::uint64_t bs[4];
  for (int i = 0; i < 4; ++i) {
    as[i] = a & kMask[i];
    bs[i] = b & kMask[i];
  }
  std::uint64_t r = 0;
  for (int k = 0; k < 4; ++k) {
    std::uint64_t acc = 0;
    for (int i = 0; i < 4; ++i) acc ^= as[i] * bs[(k + 4 - i) % 4];
    r |= acc & kMask[k];
  }
  return r;
}

// (hi, lo) := a * b carry-less.
inline void Clmul64(std::uint64_t a, std::uint64_t b, std::uint64_t& lo, std::uint64_t& hi) {
  const auto a0 = static_cast<std::uint32_t>(a);
  const auto a1 = static_cast<std::uint32_t>(a >> 32);
  const auto b0 = static_cast<std::uint32_t>(b);
  const auto b1 = static_cast<std::uint32_t>(b >> 32);
  const std::uint64_t l = Clmul32(a0, b0);
  const std::uint64_t h = Clmul32(a1, b1);
  const std::uint64_t m = Clmul32(a0 ^ a1, b0 ^ b1) ^ l ^ h;
  lo = l ^ (m << 32);
  hi = h ^ (m >> 32);
}
#else
__extension__ typedef unsigned __int128 U128;

constexpr std::uint64_t ResidueMask(int k) {
  std::uint64_t m = 0;
  for (int i = k; i < 64; i += 5) m |= std::uint64_t{1} << i;
  return m;
}

constexpr std::uint64_t kResidue[5] = {ResidueMask(0), ResidueMask(1), ResidueMask(2),
                                       ResidueMask(3), ResidueMask(4)};

// (hi, lo) := a * b carry-less.
inline void Clmul64(std::uint64_t a, std::uint64_t b, std::uint64_t& lo, std::uint64_t& hi) {
  std::uint64_t as[5];
  std::uint64_t bs[5];
  for (int i = 0; i < 5; ++i) {
    as[i] = a & kResidue[i];
    bs[i] = b & kResidue[i];
  }
  lo = 0;
  hi = 0;
  for (int k = 0; k < 5; ++k) {
    U128 acc = 0;
    for (int i = 0; i < 5; ++i) acc ^= static_cast<U128>(as[i]) * bs[(k + 5 - i) % 5];
    // Bit 64 + j has residue (j + 4) mod 5, so the high word of residue k is mask k + 1.
    lo |= static_cast<std::uint64_t>(acc) & kResidue[k];
    hi |= static_cast<std::uint64_t>(acc >> 64) & kResidue[(k + 1) % 5];
  }
}
#endif

// r[0..3] := a[0..1] * b[0..1], Karatsuba on 64-bit halves.
inline void Clmul128(const std::uint64_t a[2], const std::uint64_t b[2], std::uint64_t r[4]) {
  std::uint64_t l0, l1, h0, h1, m0, m1;
  Clmul64(a[0], b[0], l0, l1);
  Clmul64(a[1], b[1], h0, h1);
  Clmul64(a[0] ^ a[1], b[0] ^ b[1], m0, m1);
  m0 ^= l0 ^ h0;
  m1 ^= l1 ^ h1;
  r[0] = l0;
  r[1] = l1 ^ m0;
  r[2] = h0 ^ m1;
  r[3] = h1;
}

void MulPortable(Fe& r, const Fe& a, const Fe& b) {
  std::uint64_t lo[4], hi[4], mid[4];
  Clmul128(a.w, b.w, lo);
  Clmul128(a.w + 2, b.w + 2, hi);
  const std::uint64_t as[2] = {a.w[0] ^ a.w[2], a.w[1] ^ a.w[3]};
  const std::uint64_t bs[2] = {b.w[0] ^ b.w[2], b.w[1] ^ b.w[3]};
  Clmul128(as, bs, mid);
  FeWide p;
  for (int i = 0; i < 4; ++i) {
    mid[i] ^= lo[i] ^ hi[i];
    p.w[i] = lo[i];
    p.w[i + 4] = hi[i];
  }
  for (int i = 0; i < 4; ++i) p.w[i + 2] ^= mid[i];
  FeReduceWide(r, p);
}

void Mul4Portable(Fe r[4], const Fe a[4], const Fe b[4]) {
  for (int i = 0; i < 4; ++i) MulPortable(r[i], a[i], b[i]);
}

void Sqr4Portable(Fe r[4], const Fe a[4]) {
  for (int i = 0; i < 4; ++i) FeSqrPortable(r[i], a[i]);
}

// The 32 bits of x spread to the even positions of 64 (x as a polynomial, squared).
inline std::uint64_t Spread32(std::uint64_t x) {
  x &= 0xFFFFFFFFU;
  x = (x | (x << 16)) & 0x0000FFFF0000FFFFULL;
  x = (x | (x << 8)) & 0x00FF00FF00FF00FFULL;
  x = (x | (x << 4)) & 0x0F0F0F0F0F0F0F0FULL;
  x = (x | (x << 2)) & 0x3333333333333333ULL;
  x = (x | (x << 1)) & 0x5555555555555555ULL;
  return x;
}

}  // namespace

void FeSqrPortable(Fe& r, const Fe& a) {
  FeWide p;
  for (std::size_t i = 0; i < 4; ++i) {
    p.w[2 * i] = Spread32(a.w[i]);
    p.w[2 * i + 1] = Spread32(a.w[i] >> 32);
  }
  FeReduceWide(r, p);
}

void FeSqrNPortable(Fe& r, const Fe& a, int n) {
  Fe x = FeCanonical(a);
  for (int i = 0; i < n; ++i) FeSqrPortable(x, x);
  r = x;
}

void FeReduceWide(Fe& r, const FeWide& p) {
  // h = p >> 255 (256 bits). With t^255 = t^52 + 1, p = l + h t^255 = l + h + h t^52.
  std::uint64_t h[4];
  for (int i = 0; i < 4; ++i) h[i] = (p.w[3 + i] >> 63) | (p.w[4 + i] << 1);
  std::uint64_t s[5];
  s[0] = p.w[0] ^ h[0] ^ (h[0] << 52);
  s[1] = p.w[1] ^ h[1] ^ (h[1] << 52) ^ (h[0] >> 12);
  s[2] = p.w[2] ^ h[2] ^ (h[2] << 52) ^ (h[1] >> 12);
  s[3] = (p.w[3] & ~(std::uint64_t{1} << 63)) ^ h[3] ^ (h[3] << 52) ^ (h[2] >> 12);
  s[4] = h[3] >> 12;
  // s has at most 308 bits; fold bits 255 and up once more (at most 53 of them).
  const std::uint64_t g = (s[3] >> 63) | (s[4] << 1);
  r.w[0] = s[0] ^ g ^ (g << 52);
  r.w[1] = s[1] ^ (g >> 12);
  r.w[2] = s[2];
  r.w[3] = s[3] & ~(std::uint64_t{1} << 63);
}

const FeOps kFePortableOps = {"portable",   MulPortable,  FeSqrPortable,   FeSqrNPortable,
                              Mul4Portable, Sqr4Portable, FeApplyPortable, 15,
                              nullptr,      nullptr,      nullptr,         nullptr,
                              nullptr,      nullptr};

}  // namespace eccrypt::fast::detail
