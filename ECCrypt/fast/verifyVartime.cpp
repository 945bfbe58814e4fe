// Signature verification on public data: s * G + r * Q by interleaved signed windows (one chain
// of doublings, additions from a wide table of odd multiples of G and a small one of Q), then
// the reference comparison on the integers.
#include <algorithm>
#include <array>

#include "ECCrypt/fast/baseTableVartime.h"
#include "ECCrypt/fast/basis.h"
#include "ECCrypt/fast/integerWords.h"
#include "ECCrypt/fast/pointVartime.h"
#include "ECCrypt/fast/publicVartime.h"
#include "ECCrypt/fast/wnafVartime.h"
#include "ECCrypt/pk/signatureEquation.h"

namespace eccrypt::fast {
namespace {

// Width of the signed windows for Q: 8 odd multiples, built per call.
constexpr int QWindow = 5;
constexpr std::size_t QTableSize = std::size_t{1} << (QWindow - 2);

void AddDigitVartime(LdPoint& acc, const AffinePoint* table, int digit) {
  if (digit > 0) {
    LdAddAffineVartime(acc, acc, table[digit / 2]);
  } else if (digit < 0) {
    AffinePoint negative;
    AffineNegateVartime(negative, table[-digit / 2]);
    LdAddAffineVartime(acc, acc, negative);
  }
}

// out := s * G + r * Q for s, r below n.
void DoubleMultiplyVartime(LdPoint& out, const std::uint64_t s[4], const AffinePoint& q,
                           const std::uint64_t r[4]) {
  std::array<AffinePoint, QTableSize> qTable;
  OddMultiplesVartime(qTable.data(), q, qTable.size());
  Wnaf sDigits, rDigits;
  const int sLength = WnafVartime(sDigits, s, BaseWindow);
  const int rLength = WnafVartime(rDigits, r, QWindow);
  const AffinePoint* gTable = kBaseOddMultiples[0];
  out = LdZero;
  for (int i = std::max(sLength, rLength); i-- > 0;) {
    if (!LdIsZeroVartime(out)) LdDoubleVartime(out, out);
    AddDigitVartime(out, gTable, sDigits[static_cast<std::size_t>(i)]);
    AddDigitVartime(out, qTable.data(), rDigits[static_cast<std::size_t>(i)]);
  }
}

}  // namespace

bool CheckSignatureVartime(const TvlPoint& q, const TvlPoint& h, const TvlPoint& r,
                           const TvlPoint& s) {
  AffinePoint point;
  std::uint64_t sReduced[4], rReduced[4];
  if (!DecompressVartime(point, q) || !ReduceModOrderVartime(sReduced, s) ||
      !ReduceModOrderVartime(rReduced, r)) {
    return false;
  }
  LdPoint sum;
  DoubleMultiplyVartime(sum, sReduced, point, rReduced);
  // The x coordinate's integer form; the zero point's x is 0.
  TvlPoint x;
  if (!LdIsZeroVartime(sum)) {
    AffinePoint affine;
    LdToAffineBatchVartime(&affine, &sum, 1);
    RefBits bits;
    ToReferenceBasis(bits, affine.x);
    WordsToIntegerVartime(x, bits.w);
  }
  return SignatureEquationHolds(x, h, r);
}

}  // namespace eccrypt::fast
