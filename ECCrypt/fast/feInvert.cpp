// Inversion and square roots: fixed exponentiations, the same sequence of operations for every
// input.
#include "ECCrypt/fast/fe.h"

namespace eccrypt::fast {

// Itoh-Tsujii: with b_k = a^(2^k - 1), b_(j+k) = b_j^(2^k) * b_k. The chain
// 1, 2, 3, 6, 7, 14, 15, 30, 31, 62, 63, 126, 127, 254 reaches b_254 = a^(2^254 - 1) in 13
// multiplications and 253 squarings; one more squaring gives a^(2^255 - 2) = 1 / a (0 for 0).
void FeInvert(Fe& r, const Fe& a) {
  Fe b1 = a;
  Fe b = a;  // b_k, k doubling (then one more) at each step
  Fe t;
  FeSqr(t, b);
  FeMul(b, t, b1);  // b_2
  FeSqr(t, b);
  FeMul(b, t, b1);  // b_3
  int k = 3;
  while (k < 127) {  // k: 3 -> 7 -> 15 -> 31 -> 63 -> 127
    FeSqrN(t, b, k);
    FeMul(b, t, b);  // b_(2k)
    FeSqr(t, b);
    FeMul(b, t, b1);  // b_(2k+1)
    k = 2 * k + 1;
  }
  FeSqrN(t, b, 127);
  FeMul(b, t, b);  // b_254
  FeSqr(r, b);
}

void FeSqrt(Fe& r, const Fe& a) {
  FeSqrN(r, a, 254);
}

}  // namespace eccrypt::fast
