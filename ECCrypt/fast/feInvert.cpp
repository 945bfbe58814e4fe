// Inversion and square roots: the same sequence of operations for every input.
#include <cstdint>

#include "ECCrypt/fast/feInternal.h"

namespace eccrypt::fast {
namespace {

// The bits of x at even positions, packed into the low 32.
std::uint64_t EvenBits(std::uint64_t x) {
  x &= 0x5555555555555555ULL;
  x = (x | (x >> 1)) & 0x3333333333333333ULL;
  x = (x | (x >> 2)) & 0x0F0F0F0F0F0F0F0FULL;
  x = (x | (x >> 4)) & 0x00FF00FF00FF00FFULL;
  x = (x | (x >> 8)) & 0x0000FFFF0000FFFFULL;
  x = (x | (x >> 16)) & 0x00000000FFFFFFFFULL;
  return x;
}

// sqrt(t) = t^(2^254).
const Fe& SqrtT() {
  static const Fe root = [] {
    Fe r;
    FeSqrN(r, Fe{{2, 0, 0, 0}}, 254);
    return r;
  }();
  return root;
}

}  // namespace

// Itoh-Tsujii: with b_k = a^(2^k - 1), b_(j+k) = b_j^(2^k) * b_k. The chain
// 1, 2, 3, 6, 7, 14, 15, 30, 31, 62, 63, 126, 127, 254 reaches b_254 = a^(2^254 - 1) in 13
// multiplications and 253 squarings (FeSqrN takes the long runs as linear maps); one more
// squaring gives a^(2^255 - 2) = 1 / a (0 for 0).
void FeInvert(Fe& r, const Fe& a) {
  const Fe b1 = a;
  Fe b = a;
  Fe t;
  FeSqr(t, b);
  FeMul(b, t, b1);  // b_2
  FeSqr(t, b);
  FeMul(b, t, b1);                           // b_3
  for (int k = 3; k < 127; k = 2 * k + 1) {  // k = 3, 7, 15, 31, 63
    FeSqrN(t, b, k);
    FeMul(b, t, b);  // b_2k
    FeSqr(t, b);
    FeMul(b, t, b1);  // b_(2k+1)
  }
  FeSqrN(t, b, 127);
  FeMul(b, t, b);  // b_254
  FeSqr(r, b);
}

// Squaring is linear, so its inverse is too: with a = E(t)^2 + t O(t)^2 (E, O from the even and
// odd coordinates), sqrt(a) = E(t) + sqrt(t) O(t).
void FeSqrt(Fe& r, const Fe& a) {
  const Fe c = detail::FeCanonical(a);
  const Fe even{{EvenBits(c.w[0]) | (EvenBits(c.w[1]) << 32),
                 EvenBits(c.w[2]) | (EvenBits(c.w[3]) << 32), 0, 0}};
  const Fe odd{{EvenBits(c.w[0] >> 1) | (EvenBits(c.w[1] >> 1) << 32),
                EvenBits(c.w[2] >> 1) | (EvenBits(c.w[3] >> 1) << 32), 0, 0}};
  FeMul(r, odd, SqrtT());
  FeAdd(r, r, even);
}

}  // namespace eccrypt::fast
