// k * G by fixed windows without doublings. k is written in signed 5-bit digits,
// k = sum of e_w 32^w with e_w in -15 .. 16, so k * G is the sum of the table entries
// |e_w| * 32^w * G, each negated where e_w is negative: one mixed addition per window.
//
// Constant time: the recoding is arithmetic on the digits; each entry is found by reading all 16
// entries of its window and keeping one with masks (digit 0 keeps none and adds the zero point),
// and the negation is a masked XOR, so neither the addresses read nor the branches taken depend
// on k.
//
// Below the top window the accumulator is never the entry added: before window w it is S G with
// |S| <= 16 (32^w - 1) / 31 < 32^w, the entry is e 32^w G with 1 <= |e| <= 16, and S - e 32^w is
// neither 0 nor, being below 17 * 32^47 < 2^240 < n in size, a multiple of n. Those windows
// may therefore run the field's kernel (FeBaseWalk), whose addition leaves out the doubling. The
// top window takes the complete addition of point.h, and needs to: the accumulator is never
// opposite to the entry added (k < n), but it equals it for one scalar, k = 2^241 - n, whose
// digits below the top window sum to 2^240 - n before the top window adds 2^240 G (n is just
// above 2^240, so that sum is small enough for signed digits).
#include "ECCrypt/fast/fixedBase.h"

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/baseTable.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/feBaseWalk.h"
#include "ECCrypt/fast/scrub.h"

namespace eccrypt::fast {
namespace {

constexpr std::uint64_t kWindowMask = (std::uint64_t{1} << kBaseWindowBits) - 1;

// Bits [bit, bit + 5) of k; k's words above 2^256 read as zero.
std::uint64_t WindowBits(const Scalar& k, int bit) {
  const int word = bit / 64;
  const int shift = bit % 64;
  std::uint64_t v = k.w[word] >> shift;
  if (shift > 64 - kBaseWindowBits && word < 3) v |= k.w[word + 1] << (64 - shift);
  return v & kWindowMask;
}

// e := the entry for magnitude m (0 .. 16) of window w, negated when negative is all-ones;
// m = 0 gives the zero point.
void LookUp(AffinePoint& e, int w, std::uint64_t m, std::uint64_t negative) {
  // Local accumulators: the compiler keeps them in (vector) registers across the scan.
  std::uint64_t x[4] = {0, 0, 0, 0};
  std::uint64_t y[4] = {0, 0, 0, 0};
  std::uint64_t found = 0;
  for (int j = 0; j < kBaseDigits; ++j) {
    const std::uint64_t hit = CtEqualMask(m, static_cast<std::uint64_t>(j) + 1);
    const BaseTableEntry& t = kBaseTable[w][j];
    for (int i = 0; i < 4; ++i) {
      x[i] |= hit & t.x.w[i];
      y[i] |= hit & t.y.w[i];
    }
    found |= hit;
  }
  for (int i = 0; i < 4; ++i) {
    e.x.w[i] = x[i];
    e.y.w[i] = y[i] ^ (negative & x[i]);  // -P = (x, x + y)
  }
  e.infinity = ~found;
}

}  // namespace

void BaseMultiplyProjective(LdPoint& acc, const Scalar& k) {
  // The signed digits, as magnitudes and sign masks. carry is 0 or 1: a digit above 16 becomes
  // d - 32 and carries one into the next window. The top window holds at most bit 240 plus a
  // carry, so no carry leaves it.
  std::uint64_t magnitude[kBaseWindows];
  std::uint64_t negative[kBaseWindows];
  std::uint64_t carry = 0;
  for (int w = 0; w < kBaseWindows; ++w) {
    const std::uint64_t d = WindowBits(k, w * kBaseWindowBits) + carry;  // 0 .. 32
    carry = (d + 15) >> kBaseWindowBits;                                 // d >= 17
    negative[w] = CtMaskFromBit(carry);
    // The digit is d, or d - 32 when it carries: magnitude 32 - d (0 for d = 32).
    magnitude[w] = CtSelect(negative[w], 32 - d, d);
  }
  // The windows below the top one by the field's kernel where the path has one (see above).
  int w = 0;
  FeBaseAccumulator below{FeOne, FeZero, FeZero};
  if (FeBaseWalk(below, kBaseTable, magnitude, negative, kBaseWindows - 1)) {
    acc = LdPoint{below.X, below.Y, below.Z};
    w = kBaseWindows - 1;
    SecureWipe(&below, sizeof(below));
  } else {
    acc = LdZero;
  }
  AffinePoint e;
  for (; w < kBaseWindows; ++w) {
    LookUp(e, w, magnitude[w], negative[w]);
    LdAddAffine(acc, acc, e);
  }
  SecureWipe(&e, sizeof(e));
  SecureWipe(magnitude, sizeof(magnitude));
  SecureWipe(negative, sizeof(negative));
  SecureWipe(&carry, sizeof(carry));
  ScrubStack();  // the additions' temporaries
}

void BaseMultiply(AffinePoint& r, const Scalar& k) {
  LdPoint acc;
  BaseMultiplyProjective(acc, k);
  LdToAffine(r, acc);
  SecureWipe(&acc, sizeof(acc));
}

}  // namespace eccrypt::fast
