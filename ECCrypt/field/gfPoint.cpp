// TgfPoint: storage, comparison, addition, multiplication, squaring, reduction and the two
// scalar operations on which inversion rests.
//
// Lengths are exact: callers and stored values depend on the length word and on which units
// above it an operation leaves untouched, so each operation below states what it writes.
#include "ECCrypt/field/gfPoint.h"

#include <array>
#include <cstddef>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/field/gfTableRule.h"

namespace eccrypt {
namespace {

constexpr std::size_t Idx(std::int32_t i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

TgfPoint::~TgfPoint() {
  SecureWipe(Units.data(), sizeof(Units));
}

void TgfPoint::Zero() {
  Units.fill(0);
}

void TgfPoint::CopyFrom(const TgfPoint& a) {
  Units = a.Units;
}

// Only the length and unit 1 are written.
void TgfPoint::AssignSmall(std::int32_t v) {
  Units[0] = 1;
  Units[1] = v & 0x7FFF;
}

// Units above the length are leftovers and are not compared.
bool TgfPoint::Equal(const TgfPoint& a) const {
  const std::int32_t len = Units[0];
  if (len != a.Units[0]) return false;
  for (std::int32_t i = 1; i <= len; ++i) {
    if (Units[Idx(i)] != a.Units[Idx(i)]) return false;
  }
  return true;
}

std::int32_t TgfPoint::LowBit() const {
  return Units[0] != 0 ? Units[1] & 1 : 0;
}

void TgfPoint::FlipLowBit() {
  Units[1] ^= 1;
}

// The absolute trace of an element of this field is bit 0 of its constant unit: the traces of
// x^1..x^16 down to GF(2^15) and of y^1..y^14 down to GF(2) all vanish.
std::int32_t TgfPoint::Trace() const {
  return LowBit();
}

// Every unit of the result depends only on the units of a and b with the same number and is
// written after they are read; the cancellation search finishes before anything is written.
// Hence self may be a, b or both.
void TgfPoint::Add(const TgfPoint& a, const TgfPoint& b) {
  const std::int32_t la = a.Units[0];
  const std::int32_t lb = b.Units[0];
  if (la != lb) {
    // The longer operand's top unit stays the top unit: no trimming needed.
    const TgfPoint& longer = la > lb ? a : b;
    const std::int32_t shortLen = la > lb ? lb : la;
    const std::int32_t longLen = la > lb ? la : lb;
    for (std::int32_t i = 1; i <= shortLen; ++i) {
      Units[Idx(i)] = a.Units[Idx(i)] ^ b.Units[Idx(i)];
    }
    for (std::int32_t i = shortLen + 1; i <= longLen; ++i) Units[Idx(i)] = longer.Units[Idx(i)];
    Units[0] = longLen;
    return;
  }
  // Equal lengths: the result is as long as the highest unit in which a and b differ. Units of
  // self above that new length are left as they were.
  std::int32_t top = la;
  while (top > 0 && a.Units[Idx(top)] == b.Units[Idx(top)]) --top;
  for (std::int32_t i = top; i >= 1; --i) Units[Idx(i)] = a.Units[Idx(i)] ^ b.Units[Idx(i)];
  Units[0] = top;
}

// Schoolbook product of reduced a and b. All 37 words of self are cleared first, so units above
// the result's length are 0. The products of all rows are summed and reduced once: reduction
// is linear, so this equals reducing after every row, in value, length and every unit.
void TgfPoint::Multiply(const TgfPoint& a, const TgfPoint& b) {
  const std::int32_t la = a.Units[0];
  const std::int32_t lb = b.Units[0];
  if (la == 0 || lb == 0) {
    Zero();
    return;
  }
  // Logs of b's units, looked up once per call rather than once per product.
  std::array<std::int32_t, MaxUnits + 1> logB{};
  for (std::int32_t j = lb; j >= 1; --j) logB[Idx(j)] = gf::LogOf(b.Units[Idx(j)]);
  Zero();
  bool anyRow = false;
  for (std::int32_t i = la; i >= 1; --i) {
    const std::int32_t ai = a.Units[Idx(i)];
    if (ai == 0) continue;
    anyRow = true;
    const std::int32_t logA = gf::LogOf(ai);
    for (std::int32_t j = lb; j >= 1; --j) {
      if (b.Units[Idx(j)] == 0) continue;
      Units[Idx(i + j - 1)] ^= gf::ExpReducedAtUnitCount(logA + logB[Idx(j)]);
    }
  }
  // A row that runs sets the length to la + lb - 1; when no row runs it stays 0.
  if (anyRow) {
    Units[0] = la + lb - 1;
    Reduce();
  }
  SecureWipe(logB.data(), sizeof(logB));
}

// Squaring is additive in characteristic 2: unit i of a moves to unit 2i - 1, squared, and the
// even-numbered units become 0. Going downwards, the step for i writes only units 2i - 1 and
// 2i (both >= i) and reads unit i of a first, so self may be a. The zero element gives length
// 0 and nothing else is written.
void TgfPoint::Square(const TgfPoint& a) {
  const std::int32_t la = a.Units[0];
  if (la == 0) {
    Units[0] = 0;
    return;
  }
  for (std::int32_t i = la; i >= 1; --i) {
    if (i < la) Units[Idx(2 * i)] = 0;
    Units[Idx(2 * i - 1)] = gf::UnitSquare(a.Units[Idx(i)]);
  }
  Units[0] = 2 * la - 1;
  Reduce();
}

// Folds units 18 and up into units 1..17 by x^17 = x^3 + 1, i.e. unit i adds into units i - 17
// and i - 14. Going downwards, a fold landing at 18 or above (from i >= 32) is folded again
// later in the same pass. Only a length above 17 is trimmed; a length of 17 or less is left
// exactly as it is, even with a zero top unit.
void TgfPoint::Reduce() {
  const std::int32_t len = Units[0];
  if (len <= ReducedUnits) return;
  for (std::int32_t i = len; i > ReducedUnits; --i) {
    const std::int32_t t = Units[Idx(i)];
    Units[Idx(i - FieldUnits)] ^= t;
    Units[Idx(i - FieldUnits + FieldMiddleExponent)] ^= t;
    Units[Idx(i)] = 0;
  }
  std::int32_t top = ReducedUnits;
  while (top > 0 && Units[Idx(top)] == 0) --top;
  Units[0] = top;
}

// Every unit := unit / c (c nonzero). Zero units stay 0 and nonzero ones stay nonzero, so the
// length does not change.
void TgfPoint::DivideByUnit(std::int32_t c) {
  const std::int32_t logC = gf::LogOf(c);
  for (std::int32_t i = Units[0]; i >= 1; --i) {
    Units[Idx(i)] = gf::UnitDivided(Units[Idx(i)], logC);
  }
}

// self := self + c * x^k * a as polynomials (no reduction), then trims zero top units. Units
// brought under the length are written 0 before they are added into.
void TgfPoint::AddScaledShift(std::int32_t c, std::int32_t k, const TgfPoint& a) {
  const std::int32_t la = a.Units[0];
  while (Units[0] < la + k) {
    ++Units[0];
    Units[Idx(Units[0])] = 0;
  }
  const std::int32_t logC = gf::LogOf(c);
  for (std::int32_t i = la; i >= 1; --i) {
    const std::int32_t ai = a.Units[Idx(i)];
    if (ai == 0) continue;
    Units[Idx(i + k)] ^= gf::UnitScaled(ai, logC);
  }
  while (Units[0] > 0 && Units[Idx(Units[0])] == 0) --Units[0];
}

}  // namespace eccrypt
