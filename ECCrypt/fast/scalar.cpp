// Scalars modulo n on fixed-size 64-bit limbs: Barrett reduction and the signing equation.
// Every loop runs a fixed number of times and every choice is a mask, so the instructions and
// addresses do not depend on the values.
#include "ECCrypt/fast/scalar.h"

#include <cstddef>
#include <cstdint>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/limbs.h"
#include "ECCrypt/fast/verifyTables.h"
#include "ECCrypt/params/curveParameters.h"

namespace eccrypt::fast {
namespace {

__extension__ typedef unsigned __int128 U128;

// Limbs of a 19-digit integer (304 bits).
constexpr std::size_t kWideLimbs = 5;

// Zeroes secret limbs before their stack memory is given up, a word at a time (volatile, so the
// stores are not dropped as dead).
template <std::size_t N>
void Wipe(std::uint64_t (&a)[N]) {
  volatile std::uint64_t* p = a;
  for (std::size_t i = 0; i < N; ++i) p[i] = 0;
}

// n, packed from its digits so that it is written down once.
constexpr Scalar PackOrder() {
  Scalar n{{0, 0, 0, 0}};
  for (std::size_t i = 0; i < GroupOrderDigits.size(); ++i) {
    n.w[i / 4] |= static_cast<std::uint64_t>(GroupOrderDigits[i]) << (16 * (i % 4));
  }
  return n;
}
constexpr Scalar kOrder = PackOrder();

// Barrett's constant for n (2^240 < n < 2^241): mu = floor(2^482 / n), 242 bits. The tests
// reduce values on both sides of many multiples of n, which a wrong mu would miss.
constexpr std::uint64_t kMu[4] = {0x94cd21c2ad313cda, 0xfff4db2f91ea829f, 0xffffffffffffffff,
                                  0x0003f65fffffffff};

// r[0..NA+NB-1] := a * b.
template <std::size_t NA, std::size_t NB>
void MulLimbs(std::uint64_t (&r)[NA + NB], const std::uint64_t (&a)[NA],
              const std::uint64_t (&b)[NB]) {
  for (auto& w : r) w = 0;
  for (std::size_t i = 0; i < NA; ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j < NB; ++j) {
      const U128 t = static_cast<U128>(a[i]) * b[j] + r[i + j] + carry;
      r[i + j] = static_cast<std::uint64_t>(t);
      carry = static_cast<std::uint64_t>(t >> 64);
    }
    r[i + NB] = carry;
  }
}

// r := a - b mod 2^(64N); returns the borrow (1 when a < b).
template <std::size_t N>
std::uint64_t SubLimbs(std::uint64_t (&r)[N], const std::uint64_t (&a)[N],
                       const std::uint64_t (&b)[N]) {
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < N; ++i) {
    const U128 t = static_cast<U128>(a[i]) - b[i] - borrow;
    r[i] = static_cast<std::uint64_t>(t);
    borrow = static_cast<std::uint64_t>(t >> 64) & 1;
  }
  return borrow;
}

// r := r + (mask & b) mod 2^(64N).
template <std::size_t N>
void AddMaskedLimbs(std::uint64_t (&r)[N], const std::uint64_t (&b)[N], std::uint64_t mask) {
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < N; ++i) {
    const U128 t = static_cast<U128>(r[i]) + (b[i] & mask) + carry;
    r[i] = static_cast<std::uint64_t>(t);
    carry = static_cast<std::uint64_t>(t >> 64);
  }
}

// n in N >= 4 limbs.
template <std::size_t N>
void OrderLimbs(std::uint64_t (&out)[N]) {
  for (std::size_t i = 0; i < N; ++i) out[i] = i < 4 ? kOrder.w[i] : 0;
}

// r := r - n when r >= n.
template <std::size_t N>
void SubtractOrderIfNotBelow(std::uint64_t (&r)[N]) {
  std::uint64_t n[N];
  OrderLimbs(n);
  std::uint64_t t[N];
  const std::uint64_t keep = CtMaskFromBit(CtBarrier(SubLimbs(t, r, n)));
  for (std::size_t i = 0; i < N; ++i) r[i] = CtSelect(keep, r[i], t[i]);
}

// out := x mod n for x < 2^482 (eight limbs, the top ones zero beyond bit 481).
//
// Barrett with k = 241: q = floor(floor(x / 2^240) * mu / 2^242) is at most two below
// floor(x / n), so x - q * n lies in [0, 3n) and two conditional subtractions finish. That
// difference is below 2^243, so five limbs of x and of q * n give it exactly.
void BarrettReduce(Scalar& out, const std::uint64_t (&x)[8]) {
  std::uint64_t q1[4];  // x >> 240, below 2^242
  for (std::size_t i = 0; i < 4; ++i) q1[i] = (x[i + 3] >> 48) | (x[i + 4] << 16);
  std::uint64_t q2[8];
  MulLimbs(q2, q1, kMu);
  std::uint64_t q3[4];  // q2 >> 242
  for (std::size_t i = 0; i < 4; ++i) q3[i] = (q2[i + 3] >> 50) | (q2[i + 4] << 14);
  std::uint64_t qn[8];
  MulLimbs(qn, q3, kOrder.w);

  std::uint64_t r[kWideLimbs];
  std::uint64_t xLow[kWideLimbs];
  std::uint64_t qnLow[kWideLimbs];
  for (std::size_t i = 0; i < kWideLimbs; ++i) {
    xLow[i] = x[i];
    qnLow[i] = qn[i];
  }
  SubLimbs(r, xLow, qnLow);
  SubtractOrderIfNotBelow(r);
  SubtractOrderIfNotBelow(r);
  for (std::size_t i = 0; i < 4; ++i) out.w[i] = r[i];
  Wipe(q1);
  Wipe(q2);
  Wipe(q3);
  Wipe(qn);
  Wipe(r);
  Wipe(xLow);
  Wipe(qnLow);
}

}  // namespace

void ScalarReduce(Scalar& out, const TvlPoint& v) {
  std::uint64_t x[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  LimbsFromVl(x, kWideLimbs, v);
  BarrettReduce(out, x);
  Wipe(x);
}

std::uint64_t ScalarIsZeroMask(const Scalar& s) {
  return CtIsZeroMask(s.w[0] | s.w[1] | s.w[2] | s.w[3]);
}

// c := (x mod n) * (r mod n) mod n; then d := k - c on five limbs, with n added back when that
// borrowed: k + n - c is the integer the reference writes when c > k, and below 2^242 then.
void SignatureS(TvlPoint& s, const TvlPoint& x, const TvlPoint& k, const TvlPoint& r) {
  Scalar xs, rs, c;
  ScalarReduce(xs, x);
  ScalarReduce(rs, r);
  std::uint64_t product[8];
  MulLimbs(product, xs.w, rs.w);
  BarrettReduce(c, product);

  std::uint64_t kl[kWideLimbs];
  LimbsFromVl(kl, k);
  std::uint64_t cl[kWideLimbs] = {c.w[0], c.w[1], c.w[2], c.w[3], 0};
  std::uint64_t d[kWideLimbs];
  const std::uint64_t borrow = CtMaskFromBit(CtBarrier(SubLimbs(d, kl, cl)));
  std::uint64_t n[kWideLimbs];
  OrderLimbs(n);
  AddMaskedLimbs(d, n, borrow);
  LimbsToVl(s, d);

  Wipe(xs.w);
  Wipe(c.w);
  Wipe(product);
  Wipe(kl);
  Wipe(cl);
  Wipe(d);
}

void SplitByEigenvalue(SplitScalar& out, const std::uint64_t k[4]) {
  // With c1 = round(k b2 / n) and c2 = round(-k b1 / n): k1 = k - c1 a1 - c2 a2 and
  // k2 = -c1 b1 - c2 b2 give k1 + k2 lambda = k - c1 (a1 + b1 lambda) - c2 (a2 + b2 lambda) = k
  // mod n for any integers c1, c2. The rounding keeps each within half the basis vectors'
  // summed sizes (a1, a2 below 2^120, b1, b2 below 2^121), so arithmetic modulo 2^128 gives
  // them exactly. g = 2^256 b2 / n and 2^256 b1 / n rounded, hence c_i = round(k g_i / 2^256).
  const EigenSplit& e = kEigenSplit;
  const std::uint64_t kw[4] = {k[0], k[1], k[2], k[3]};
  const auto roundedHigh = [&kw](const std::uint64_t(&g)[3]) {
    std::uint64_t p[7];
    MulLimbs(p, kw, g);
    const U128 high = (static_cast<U128>(p[5]) << 64) | p[4];
    const U128 result = high + (p[3] >> 63);
    Wipe(p);
    return result;
  };
  const auto load = [](const std::uint64_t(&w)[2]) {
    return (static_cast<U128>(w[1]) << 64) | w[0];
  };
  U128 c1 = roundedHigh(e.g1);
  U128 c2 = roundedHigh(e.g2);
  if (e.g1Negative) c1 = 0 - c1;  // public constants
  if (e.g2Negative) c2 = 0 - c2;
  const U128 k128 = (static_cast<U128>(k[1]) << 64) | k[0];
  U128 parts[2] = {k128 - c1 * load(e.a1) - c2 * load(e.a2), 0 - c1 * load(e.b1) - c2 * load(e.b2)};
  for (std::size_t i = 0; i < 2; ++i) {
    const U128 sign = 0 - (parts[i] >> 127);
    const U128 magnitude = (parts[i] ^ sign) - sign;
    out.magnitude[i][0] = static_cast<std::uint64_t>(magnitude);
    out.magnitude[i][1] = static_cast<std::uint64_t>(magnitude >> 64);
    out.magnitude[i][2] = 0;
    out.magnitude[i][3] = 0;
    out.negative[i] = static_cast<std::uint64_t>(sign);
  }
  SecureWipe(&c1, sizeof(c1));
  SecureWipe(&c2, sizeof(c2));
  SecureWipe(parts, sizeof(parts));
}

}  // namespace eccrypt::fast
