// The lanes path: carry-less products from 32-bit integer multiplies, four at a time in the
// lanes of a 128-bit vector. It is the path for WebAssembly with SIMD, which has neither a
// carry-less multiply nor a 64 x 64 -> 128-bit product, but multiplies four 32-bit lanes at once
// (i32x4.mul); elsewhere it runs on the compiler's generic vectors, so that the native tests
// and the constant-time check cover the same code.
//
// A 256 x 256 product is split by Karatsuba down to 81 products of 16-bit pieces: twice on
// 64-bit words (9 products of 64 bits), once on their 32-bit halves (27) and once on 16-bit
// halves (81), the last two inside the vectors. A 16 x 16 carry-less product takes 9 integer
// multiplies of operands with "holes": each operand is split into three parts holding the bits
// whose position is i (mod 3), at most 6 bits each. Every bit position of one integer product
// then collects at most 6 one-bit terms, a count that fits in 3 bits, so no carry reaches the
// next position of the same residue, and the product (below 2^32) fits the lane; the wanted
// parity bits are read back through the residue masks. That is 729 lane multiplies per field
// product (183 vector multiplies), against 432 64-bit multiplies when 32 x 32 pieces are
// built the same way one at a time. Integer multiplication takes the same time whatever the
// operands, and there are no branches or table reads on data.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/basisTables.h"
#include "ECCrypt/fast/feInternal.h"
#include "ECCrypt/fast/pointVartime.h"

namespace eccrypt::fast::detail {
namespace {

typedef std::uint32_t V4 __attribute__((vector_size(16)));

inline V4 Splat(std::uint32_t x) {
  return V4{x, x, x, x};
}

inline V4 Load(const void* p) {
  V4 v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}

inline void Store(void* p, V4 v) {
  std::memcpy(p, &v, sizeof(v));
}

// Four 16 x 16-bit carry-less products, one per lane (x and y below 2^16 in every lane).
inline V4 Clmul16(V4 x, V4 y) {
  const V4 m0 = Splat(0x49249249U);  // positions 0 (mod 3)
  const V4 m1 = Splat(0x92492492U);  // positions 1 (mod 3)
  const V4 m2 = Splat(0x24924924U);  // positions 2 (mod 3)
  const V4 x0 = x & m0;
  const V4 x1 = x & m1;
  const V4 x2 = x & m2;
  const V4 y0 = y & m0;
  const V4 y1 = y & m1;
  const V4 y2 = y & m2;
  const V4 z0 = (x0 * y0) ^ (x1 * y2) ^ (x2 * y1);
  const V4 z1 = (x0 * y1) ^ (x1 * y0) ^ (x2 * y2);
  const V4 z2 = (x0 * y2) ^ (x1 * y1) ^ (x2 * y0);
  return (z0 & m0) | (z1 & m1) | (z2 & m2);
}

// The 27 32-bit Karatsuba pieces of a 256-bit operand, in the order Combine expects: for each
// of the 9 64-bit pieces (a0, a1, a0 + a1, a2, a3, a2 + a3, then the sums of the halves), its
// low half, high half and their sum. Slot 27 pads the last vector.
inline void Expand(const Fe& a, std::uint32_t e[28]) {
  const std::uint64_t s0 = a.w[0] ^ a.w[2];
  const std::uint64_t s1 = a.w[1] ^ a.w[3];
  const std::uint64_t n[9] = {a.w[0], a.w[1], a.w[0] ^ a.w[1], a.w[2], a.w[3], a.w[2] ^ a.w[3],
                              s0,     s1,     s0 ^ s1};
  for (std::size_t i = 0; i < 9; ++i) {
    const auto lo = static_cast<std::uint32_t>(n[i]);
    const auto hi = static_cast<std::uint32_t>(n[i] >> 32);
    e[3 * i] = lo;
    e[3 * i + 1] = hi;
    e[3 * i + 2] = lo ^ hi;
  }
  e[27] = 0;
}

// lo[g], hi[g] := the low and high words of the 32 x 32 carry-less products of x[g] and y[g],
// lane by lane, for g < G. Every piece is split into its 16-bit halves and their sum (one
// Karatsuba step) first, then all 3 G 16 x 16 products are made, then recombined: three passes,
// each of whose bodies fits the 16 vector registers of an x86 engine. One pass doing all three
// for a piece spilled a third of its values to the stack (measured in Node: the field product
// 25-30% slower).
template <std::size_t G>
inline void Clmul32Columns(const V4 x[G], const V4 y[G], V4 lo[G], V4 hi[G]) {
  V4 xs[3 * G];
  V4 ys[3 * G];
  const V4 low16 = Splat(0xFFFFU);
  // Unrolled: as a loop, the address arithmetic of WebAssembly's memory took most of each pass.
#if defined(__clang__)
#pragma clang loop unroll(full)
#endif
  for (std::size_t g = 0; g < G; ++g) {
    xs[3 * g] = x[g] & low16;
    xs[3 * g + 1] = x[g] >> 16;
    xs[3 * g + 2] = xs[3 * g] ^ xs[3 * g + 1];
    ys[3 * g] = y[g] & low16;
    ys[3 * g + 1] = y[g] >> 16;
    ys[3 * g + 2] = ys[3 * g] ^ ys[3 * g + 1];
  }
  V4 p[3 * G];
  for (std::size_t i = 0; i < 3 * G; i += 3) {  // three per pass: fewer loop overheads, no spills
    p[i] = Clmul16(xs[i], ys[i]);
    p[i + 1] = Clmul16(xs[i + 1], ys[i + 1]);
    p[i + 2] = Clmul16(xs[i + 2], ys[i + 2]);
  }
  for (std::size_t g = 0; g < G; ++g) {
    const V4 l = p[3 * g];
    const V4 h = p[3 * g + 1];
    const V4 m = p[3 * g + 2] ^ l ^ h;
    lo[g] = l ^ (m << 16);
    hi[g] = h ^ (m >> 16);
  }
}

// p[i] := the 64-bit carry-less product of the 32-bit pieces a[i] and b[i], for i < 4 G.
template <std::size_t G>
inline void Clmul32Lanes(const std::uint32_t* a, const std::uint32_t* b, std::uint64_t* p) {
  V4 x[G];
  V4 y[G];
  for (std::size_t g = 0; g < G; ++g) {
    x[g] = Load(a + 4 * g);
    y[g] = Load(b + 4 * g);
  }
  V4 lo[G];
  V4 hi[G];
  Clmul32Columns<G>(x, y, lo, hi);
  static_assert(std::endian::native == std::endian::little);
  for (std::size_t g = 0; g < G; ++g) {  // each 64-bit product: its low word, then its high
    Store(p + 4 * g, __builtin_shufflevector(lo[g], hi[g], 0, 4, 1, 5));
    Store(p + 4 * g + 2, __builtin_shufflevector(lo[g], hi[g], 2, 6, 3, 7));
  }
}

// The 512-bit product from the 27 products of Expand's pieces, Karatsuba recombined.
inline void Combine(const std::uint64_t p[27], FeWide& r) {
  std::uint64_t q[9][2];  // the 64 x 64 products
  for (std::size_t i = 0; i < 9; ++i) {
    const std::uint64_t l = p[3 * i];
    const std::uint64_t h = p[3 * i + 1];
    const std::uint64_t m = p[3 * i + 2] ^ l ^ h;
    q[i][0] = l ^ (m << 32);
    q[i][1] = h ^ (m >> 32);
  }
  std::uint64_t t[3][4];  // the 128 x 128 products
  for (std::size_t j = 0; j < 3; ++j) {
    const std::uint64_t* l = q[3 * j];
    const std::uint64_t* h = q[3 * j + 1];
    const std::uint64_t* m = q[3 * j + 2];
    const std::uint64_t m0 = m[0] ^ l[0] ^ h[0];
    const std::uint64_t m1 = m[1] ^ l[1] ^ h[1];
    t[j][0] = l[0];
    t[j][1] = l[1] ^ m0;
    t[j][2] = h[0] ^ m1;
    t[j][3] = h[1];
  }
  for (int i = 0; i < 4; ++i) {
    r.w[i] = t[0][i];
    r.w[i + 4] = t[1][i];
  }
  for (int i = 0; i < 4; ++i) r.w[i + 2] ^= t[2][i] ^ t[0][i] ^ t[1][i];
}

// r[i] := a[i] * b[i] for i < N, the pieces of all N products packed into the same vectors.
template <std::size_t N>
void MulLanesN(Fe* r, const Fe* a, const Fe* b) {
  constexpr std::size_t kPieces = 27 * N;
  constexpr std::size_t kGroups = (kPieces + 3) / 4;
  std::uint32_t ea[4 * kGroups + 1];
  std::uint32_t eb[4 * kGroups + 1];
  std::uint64_t p[4 * kGroups];
  for (std::size_t i = 0; i < N; ++i) {
    // Each Expand writes a zero pad after its 27 pieces, which the next one overwrites.
    Expand(a[i], ea + 27 * i);
    Expand(b[i], eb + 27 * i);
  }
  for (std::size_t i = kPieces; i < 4 * kGroups; ++i) ea[i] = eb[i] = 0;
  Clmul32Lanes<kGroups>(ea, eb, p);
  for (std::size_t i = 0; i < N; ++i) {
    FeWide w;
    Combine(p + 27 * i, w);
    FeReduceWide(r[i], w);
  }
}

void MulLanes(Fe& r, const Fe& a, const Fe& b) {
  MulLanesN<1>(&r, &a, &b);
}

// The 4 x 4 transpose of four vectors: lane j of r[i] := lane i of x[j].
inline void Transpose(V4 r[4], const V4 x[4]) {
  const V4 t0 = __builtin_shufflevector(x[0], x[1], 0, 4, 1, 5);
  const V4 t1 = __builtin_shufflevector(x[0], x[1], 2, 6, 3, 7);
  const V4 t2 = __builtin_shufflevector(x[2], x[3], 0, 4, 1, 5);
  const V4 t3 = __builtin_shufflevector(x[2], x[3], 2, 6, 3, 7);
  r[0] = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
  r[1] = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
  r[2] = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
  r[3] = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// The eight 32-bit words of four elements as columns: c[j] holds word j of x[0..3], one per
// lane (an element's words are its 64-bit words' halves, low first, as stored on a
// little-endian machine).
inline void Columns(const Fe x[4], V4 c[8]) {
  static_assert(std::endian::native == std::endian::little);
  V4 rows[2][4];
  for (std::size_t i = 0; i < 4; ++i) {
    rows[0][i] = Load(x[i].w);
    rows[1][i] = Load(x[i].w + 2);
  }
  Transpose(c, rows[0]);
  Transpose(c + 4, rows[1]);
}

// Columns' inverse: the four elements whose words are the columns c[0..7].
inline void FromColumns(Fe x[4], const V4 c[8]) {
  V4 rows[2][4];
  Transpose(rows[0], c);
  Transpose(rows[1], c + 4);
  for (std::size_t i = 0; i < 4; ++i) {
    Store(x[i].w, rows[0][i]);
    Store(x[i].w + 2, rows[1][i]);
  }
}

// FeReduceWide on columns: w[0..15] are the 32-bit words of four 511-bit products, r[0..7] those
// of their remainders modulo t^255 + t^52 + 1 (below 2^255, the same words FeReduceWide gives).
inline void ReduceColumns(V4 r[8], const V4 w[16]) {
  // h = p >> 255, and p = l + h + h t^52 with l = p mod t^255.
  V4 h[8];
  for (std::size_t j = 0; j < 8; ++j) h[j] = (w[7 + j] >> 31) | (w[8 + j] << 1);
  const V4 low31 = Splat(0x7FFFFFFFU);
  V4 s[10];  // at most 308 bits
  for (std::size_t k = 0; k < 8; ++k) s[k] = (k == 7 ? w[7] & low31 : w[k]) ^ h[k];
  s[8] = s[9] = Splat(0);
  // h t^52: word j of h moves to word j + 1, 20 bits up, and its top 12 bits to word j + 2.
  for (std::size_t j = 0; j < 8; ++j) {
    s[j + 1] ^= h[j] << 20;
    s[j + 2] ^= h[j] >> 12;
  }
  // Bits 255 and up of s once more (g below 2^53).
  const V4 g0 = (s[7] >> 31) | (s[8] << 1);
  const V4 g1 = (s[8] >> 31) | (s[9] << 1);
  r[0] = s[0] ^ g0;
  r[1] = s[1] ^ g1 ^ (g0 << 20);
  r[2] = s[2] ^ (g1 << 20) ^ (g0 >> 12);
  r[3] = s[3] ^ (g1 >> 12);
  r[4] = s[4];
  r[5] = s[5];
  r[6] = s[6];
  r[7] = s[7] & low31;
}

// Expand's 27 pieces of four elements, lane by lane, from their eight columns.
inline void ExpandColumns(const V4 x[8], V4 e[27]) {
  const V4 n[9][2] = {{x[0], x[1]},
                      {x[2], x[3]},
                      {x[0] ^ x[2], x[1] ^ x[3]},
                      {x[4], x[5]},
                      {x[6], x[7]},
                      {x[4] ^ x[6], x[5] ^ x[7]},
                      {x[0] ^ x[4], x[1] ^ x[5]},
                      {x[2] ^ x[6], x[3] ^ x[7]},
                      {x[0] ^ x[4] ^ x[2] ^ x[6], x[1] ^ x[5] ^ x[3] ^ x[7]}};
  for (std::size_t i = 0; i < 9; ++i) {
    e[3 * i] = n[i][0];
    e[3 * i + 1] = n[i][1];
    e[3 * i + 2] = n[i][0] ^ n[i][1];
  }
}

// Four independent products with one product per lane: every step, from the pieces to the
// 512-bit result, is the same for all lanes, so the Karatsuba sums and recombinations are whole
// vectors and only the first and last steps move words between lanes and elements.
void Mul4Columns(Fe r[4], const Fe a[4], const Fe b[4]) {
  V4 ea[27];
  V4 eb[27];
  {
    V4 xa[8];
    V4 xb[8];
    Columns(a, xa);
    Columns(b, xb);
    ExpandColumns(xa, ea);
    ExpandColumns(xb, eb);
  }
  // The 32 x 32 products, low and high words.
  V4 pl[27];
  V4 ph[27];
  Clmul32Columns<27>(ea, eb, pl, ph);
  // The 64 x 64 products (four words each), then the 128 x 128 ones (eight), then the whole.
  V4 q[9][4];
  for (std::size_t i = 0; i < 9; ++i) {
    const V4 m0 = pl[3 * i + 2] ^ pl[3 * i] ^ pl[3 * i + 1];
    const V4 m1 = ph[3 * i + 2] ^ ph[3 * i] ^ ph[3 * i + 1];
    q[i][0] = pl[3 * i];
    q[i][1] = ph[3 * i] ^ m0;
    q[i][2] = pl[3 * i + 1] ^ m1;
    q[i][3] = ph[3 * i + 1];
  }
  V4 t[3][8];
  for (std::size_t j = 0; j < 3; ++j) {
    const V4(&l)[4] = q[3 * j];
    const V4(&h)[4] = q[3 * j + 1];
    const V4(&m)[4] = q[3 * j + 2];
    const V4 m0 = m[0] ^ l[0] ^ h[0];
    const V4 m1 = m[1] ^ l[1] ^ h[1];
    const V4 m2 = m[2] ^ l[2] ^ h[2];
    const V4 m3 = m[3] ^ l[3] ^ h[3];
    t[j][0] = l[0];
    t[j][1] = l[1];
    t[j][2] = l[2] ^ m0;
    t[j][3] = l[3] ^ m1;
    t[j][4] = h[0] ^ m2;
    t[j][5] = h[1] ^ m3;
    t[j][6] = h[2];
    t[j][7] = h[3];
  }
  V4 w[16];
  for (std::size_t k = 0; k < 16; ++k) {
    w[k] = k < 8 ? t[0][k] : t[1][k - 8];
    if (k >= 4 && k < 12) w[k] ^= t[2][k - 4] ^ t[0][k - 4] ^ t[1][k - 4];
  }
  V4 c[8];
  ReduceColumns(c, w);
  FromColumns(r, c);
}

void Mul4Lanes(Fe r[4], const Fe a[4], const Fe b[4]) {
  Fe out[4];
  Mul4Columns(out, a, b);
  for (int i = 0; i < 4; ++i) r[i] = out[i];
}

typedef std::uint16_t V8 __attribute__((vector_size(16)));

// The low bytes of x's 16-bit lanes with their bits spread to the even positions of the lane.
inline V8 SpreadBytes(V8 x) {
  x = (x | (x << 4)) & 0x0F0FU;
  x = (x | (x << 2)) & 0x3333U;
  return (x | (x << 1)) & 0x5555U;
}

// r := a^2. Squaring spreads a polynomial's bits to the even positions; here every byte is
// spread to 16 bits in the lanes of two vectors (eight bytes each), by shifts and masks rather
// than a table, so that no memory is read at an address made from the operand.
void SqrLanes(Fe& r, const Fe& a) {
  static_assert(std::endian::native == std::endian::little);
  FeWide p;
  for (std::size_t half = 0; half < 2; ++half) {
    V8 x;
    std::memcpy(&x, a.w + 2 * half, sizeof(x));
    const V8 even = SpreadBytes(x & 0xFFU);  // bytes 0, 2, 4, ...
    const V8 odd = SpreadBytes(x >> 8);      // bytes 1, 3, 5, ...
    const V8 low = __builtin_shufflevector(even, odd, 0, 8, 1, 9, 2, 10, 3, 11);
    const V8 high = __builtin_shufflevector(even, odd, 4, 12, 5, 13, 6, 14, 7, 15);
    std::memcpy(p.w + 4 * half, &low, sizeof(low));
    std::memcpy(p.w + 4 * half + 2, &high, sizeof(high));
  }
  FeReduceWide(r, p);
}

void SqrNLanes(Fe& r, const Fe& a, int n) {
  Fe x = FeCanonical(a);
  for (int i = 0; i < n; ++i) SqrLanes(x, x);
  r = x;
}

void Sqr4Lanes(Fe r[4], const Fe a[4]) {
  for (int i = 0; i < 4; ++i) SqrLanes(r[i], a[i]);
}

// A ladder step runs as two rounds of products (four, then two) with its four squarings between;
// the first round's operands come from FeLadderStepFirstRound. This is the middle: from the first
// round's products o, the squarings, then the operands of the second round, px Z2 and
// (X1 Z2)(X2 Z1), in a[0..1] and b[0..1] (used as scratch before).
inline void StepSecondRound(FeLadderPair& s, const Fe& px, const Fe o[4], Fe a[2], Fe b[2]) {
  FeAdd(a[0], o[0], o[1]);
  SqrLanes(s.z2, a[0]);  // Z2 := (X1 Z2 + X2 Z1)^2
  SqrLanes(s.z1, o[2]);  // Z1 := (X1 Z1)^2
  FeAdd(a[1], s.x1, o[3]);
  SqrLanes(a[1], a[1]);
  SqrLanes(s.x1, a[1]);  // X1 := (X1 + c Z1)^4
  a[0] = px;
  b[0] = s.z2;
  a[1] = o[0];
  b[1] = o[1];
}

void LadderWalkLanes(FeLadderPair& s, const Fe& px, const Fe& c, const std::uint64_t* k, int bits) {
  Fe a[4], b[4], o[4];
  std::uint64_t previous = 0;
  for (int i = bits - 1; i >= 0; --i) {
    FeLadderStepFirstRound(s, previous, k, i, c, a, b);
    Mul4Columns(o, a, b);
    StepSecondRound(s, px, o, a, b);
    MulLanesN<2>(o, a, b);
    FeAdd(s.x2, o[0], o[1]);  // X2 := px Z2 + (X1 Z2)(X2 Z1)
  }
  FeLadderLastSwap(s, previous);
  SecureWipe(a, sizeof(a));
  SecureWipe(b, sizeof(b));
  SecureWipe(o, sizeof(o));
}

// Two ladders stepped together: their first rounds one after the other, their second rounds as
// one round of four, so that every product runs four to a vector (a round of two costs about
// two thirds of a round of four).
void LadderWalkTwoLanes(FeLadderPair& s1, const Fe& px1, FeLadderPair& s2, const Fe& px2,
                        const Fe& c, const std::uint64_t* k1, const std::uint64_t* k2, int bits) {
  Fe a[4], b[4], o1[4], o2[4];
  std::uint64_t previous1 = 0;
  std::uint64_t previous2 = 0;
  for (int i = bits - 1; i >= 0; --i) {
    FeLadderStepFirstRound(s1, previous1, k1, i, c, a, b);
    Mul4Columns(o1, a, b);
    FeLadderStepFirstRound(s2, previous2, k2, i, c, a, b);
    Mul4Columns(o2, a, b);
    StepSecondRound(s1, px1, o1, a, b);
    StepSecondRound(s2, px2, o2, a + 2, b + 2);
    Mul4Columns(o1, a, b);
    FeAdd(s1.x2, o1[0], o1[1]);
    FeAdd(s2.x2, o1[2], o1[3]);
  }
  FeLadderLastSwap(s1, previous1);
  FeLadderLastSwap(s2, previous2);
  SecureWipe(a, sizeof(a));
  SecureWipe(b, sizeof(b));
  SecureWipe(o1, sizeof(o1));
  SecureWipe(o2, sizeof(o2));
}

// LdDoubleVartime's formula with its four products in two rounds of two:
// c = sqrt(b) Z^2 and Z3 = X^2 Z^2, then (Y^2 + b Z^4) X3 and b Z^4 Z3, whose sum is Y3.
// The first round's operands.
inline void DoubleFirstRound(const LdPoint& p, Fe a[2], Fe b[2]) {
  SqrLanes(b[0], p.Z);  // Z^2
  a[0] = kCurveSqrtB;
  SqrLanes(a[1], p.X);  // X^2
  b[1] = b[0];
}

// From the first round's products o = {c, Z3}, X^2 and the doubled point's Y: X3 and Z3 into r,
// and the second round's operands into a and b (x2 and y may be among them or in r).
inline void DoubleSecondRound(LdPoint& r, const Fe& y, const Fe& x2, const Fe o[2], Fe a[2],
                              Fe b[2]) {
  Fe bz4, t, s;
  SqrLanes(bz4, o[0]);
  SqrLanes(t, y);
  FeAdd(t, t, bz4);
  FeAdd(s, x2, o[0]);
  r.Z = o[1];
  SqrLanes(r.X, s);
  a[0] = t;
  b[0] = r.X;
  a[1] = bz4;
  b[1] = r.Z;
}

void LdDoubleVartimeLanes(LdPoint& r, const LdPoint& p) {
  Fe a[2], b[2], o[2];
  DoubleFirstRound(p, a, b);
  MulLanesN<2>(o, a, b);
  DoubleSecondRound(r, p.Y, a[1], o, a, b);
  MulLanesN<2>(o, a, b);
  FeAdd(r.Y, o[1], o[0]);
}

// LdAddAffineVartime's ordinary case with its eight products in four rounds: y2 Z1^2 and x2 Z1;
// C = Z1 B; B^2 C, A C, x2 Z3 and (x2 + y2) Z3^2 side by side; (E + Z3) F. The first round's
// operands.
inline void AddFirstRound(const LdPoint& p, const AffinePoint& q, Fe a[2], Fe b[2]) {
  SqrLanes(b[0], p.Z);
  a[0] = q.y;
  a[1] = q.x;
  b[1] = p.Z;
}

// The rest from the first round's products o: false, with r untouched, when
// B = x2 Z1 + X1 = 0. r may alias p.
bool AddLaterRounds(LdPoint& r, const LdPoint& p, const AffinePoint& q, const Fe o[2]) {
  Fe capA, capB;
  FeAdd(capA, o[0], p.Y);
  FeAdd(capB, o[1], p.X);
  if (FeIsZeroVartime(capB)) return false;
  Fe c;
  MulLanes(c, p.Z, capB);
  Fe z3;
  SqrLanes(z3, c);
  Fe a[4], b[4], m[4];
  SqrLanes(a[0], capB);  // B^2 C
  b[0] = c;
  a[1] = capA;  // E = A C
  b[1] = c;
  a[2] = q.x;  // x2 Z3
  b[2] = z3;
  SqrLanes(a[3], z3);  // (x2 + y2) Z3^2
  FeAdd(b[3], q.x, q.y);
  Mul4Columns(m, a, b);
  Fe x3;
  SqrLanes(x3, capA);
  FeAdd(x3, x3, m[0]);
  FeAdd(x3, x3, m[1]);
  Fe f;
  FeAdd(f, m[2], x3);
  Fe e;
  FeAdd(e, m[1], z3);
  MulLanes(e, e, f);
  FeAdd(r.Y, e, m[3]);
  r.X = x3;
  r.Z = z3;
  return true;
}

bool LdAddAffineVartimeLanes(LdPoint& r, const LdPoint& p, const AffinePoint& q) {
  Fe a[2], b[2], o[2];
  AddFirstRound(p, q, a, b);
  MulLanesN<2>(o, a, b);
  return AddLaterRounds(r, p, q, o);
}

// The walk's ordinary steps as above, with each doubling's second round made beside the next
// step's first (both take two products, and a round of four costs about 1.5 rounds of two): the
// doubling leaves its two operands pending in the first two slots, and its Y is completed before
// anything reads it. Stops where the kernel of the VPCLMULQDQ path does.
std::size_t LdWalkVartimeLanes(LdPoint& acc, const LdWalkStep* steps, std::size_t count) {
  LdPoint p = acc;
  Fe a[4], b[4], o[4];
  bool pending = false;
  // The next step's first round in slots 2 and 3, with the pending round if there is one.
  const auto firstRound = [&] {
    if (pending) {
      Mul4Columns(o, a, b);
      FeAdd(p.Y, o[1], o[0]);
      pending = false;
    } else {
      MulLanesN<2>(o + 2, a + 2, b + 2);
    }
  };
  std::size_t i = 0;
  for (; i < count; ++i) {
    const LdWalkStep& step = steps[i];
    if (step.point == nullptr) {
      DoubleFirstRound(p, a + 2, b + 2);
      firstRound();
      DoubleSecondRound(p, p.Y, a[3], o + 2, a, b);
      pending = true;
      continue;
    }
    // The zero point on either side.
    if (step.point->infinity != 0 || FeIsZeroVartime(p.Z)) break;
    AffinePoint q = *step.point;
    if (step.negate) FeAdd(q.y, q.x, q.y);
    AddFirstRound(p, q, a + 2, b + 2);
    firstRound();
    if (!AddLaterRounds(p, p, q, o + 2)) break;  // B = 0: the same x, a doubling or the zero point
  }
  if (pending) {
    MulLanesN<2>(o, a, b);
    FeAdd(p.Y, o[1], o[0]);
  }
  acc = p;
  return i;
}

constexpr FeOps kOps = {"lanes",
                        MulLanes,
                        SqrLanes,
                        SqrNLanes,
                        Mul4Lanes,
                        Sqr4Lanes,
                        FeApplyPortable,
                        15,
                        LadderWalkLanes,
                        LadderWalkTwoLanes,
                        nullptr,
                        LdDoubleVartimeLanes,
                        LdAddAffineVartimeLanes,
                        LdWalkVartimeLanes};

}  // namespace

const FeOps* const kFeLanesOps = &kOps;

}  // namespace eccrypt::fast::detail
