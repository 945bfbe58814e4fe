#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Scalars modulo n, the prime order of the base point (2^240 < n < 2^241), on fixed-size limbs.
//
// Scalar holds a value below 2^256 in four 64-bit words, word 0 lowest. Functions are constant
// time in the values (only public lengths steer them) unless named Vartime.
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::fast {

struct Scalar {
  std::uint64_t w[4];
};

// out := v mod n, for any integer of up to 19 digits. Constant time in the digits; the length
// word only bounds which digits are read (words above it are never part of the value).
void ScalarReduce(Scalar& out, const TvlPoint& v);
// All-ones when s is zero.
std::uint64_t ScalarIsZeroMask(const Scalar& s);

// k = k1 + k2 lambda mod n, lambda the eigenvalue of psi on <G> (verifyTables.h): the
// magnitudes of k1 and k2 in magnitude[0], magnitude[1] (four words each, the top two zero; both
// below 2^kSplitBits) and their signs in negative[0], negative[1] (all-ones when negative).
struct SplitScalar {
  std::uint64_t magnitude[2][4];
  std::uint64_t negative[2];
};
inline constexpr int kSplitBits = 121;
// For k below 2^256 (the bound above needs k below n). Constant time in k.
void SplitByEigenvalue(SplitScalar& out, const std::uint64_t k[4]);

// The signing equation on integers as the reference writes them: with c = x * r mod n,
// s := k - c, with n added first when c > k, so s is the same unreduced integer (k has at most
// 18 digits; s keeps k's size class). x, k secret; r public. s is written in normal form (its
// length may depend on the secret value, like the text it becomes).
void SignatureS(TvlPoint& s, const TvlPoint& x, const TvlPoint& k, const TvlPoint& r);

}  // namespace eccrypt::fast
