// k * G by fixed 4-bit windows without doublings: k = sum of d_w 16^w, so k * G is the sum of
// the table entries d_w * 16^w * G, one mixed addition per window. Each digit's entry is found
// by reading all 15 entries of its window and keeping one with masks (digit 0 keeps none and
// adds the zero point), so the addresses read never depend on k. The addition is the complete
// one of point.h; with k below n the accumulator is never equal or opposite to the entry added,
// but the addition would handle it in constant time if it were.
#include "ECCrypt/fast/fixedBase.h"

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/baseTable.h"
#include "ECCrypt/fast/ct.h"

namespace eccrypt::fast {
namespace {

// e := the entry for digit d of window w (d in 0..15; 0 gives the zero point).
void LookUp(AffinePoint& e, int w, std::uint64_t d) {
  e = AffineZero;
  e.y = FeZero;
  for (int j = 0; j < kBaseDigits; ++j) {
    const std::uint64_t hit = CtEqualMask(d, static_cast<std::uint64_t>(j) + 1);
    const BaseTableEntry& t = kBaseTable[w][j];
    for (int i = 0; i < 4; ++i) {
      e.x.w[i] |= hit & t.x.w[i];
      e.y.w[i] |= hit & t.y.w[i];
    }
    e.infinity &= ~hit;
  }
}

}  // namespace

void BaseMultiply(AffinePoint& r, const Scalar& k) {
  LdPoint acc = LdZero;
  AffinePoint e;
  for (int w = 0; w < kBaseWindows; ++w) {
    const int bit = w * kBaseWindowBits;
    const std::uint64_t d = (k.w[bit / 64] >> (bit % 64)) & kBaseDigits;
    LookUp(e, w, d);
    LdAddAffine(acc, acc, e);
  }
  LdToAffine(r, acc);
  SecureWipe(&acc, sizeof(acc));
  SecureWipe(&e, sizeof(e));
}

}  // namespace eccrypt::fast
