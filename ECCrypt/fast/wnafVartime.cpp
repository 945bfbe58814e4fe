#include "ECCrypt/fast/wnafVartime.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "ECCrypt/params/curveParameters.h"

namespace eccrypt::fast {
namespace {

constexpr std::size_t Words = 5;  // 19 digits of 16 bits fit in 304 < 320 bits

using Wide = std::array<std::uint64_t, Words>;

Wide OrderWords() {
  Wide n{};
  for (std::size_t i = 0; i < GroupOrderDigits.size(); ++i) {
    n[i / 4] |= static_cast<std::uint64_t>(GroupOrderDigits[i]) << (16 * (i % 4));
  }
  return n;
}

bool AtLeast(const Wide& a, const Wide& b) {
  for (std::size_t i = Words; i-- > 0;) {
    if (a[i] != b[i]) return a[i] > b[i];
  }
  return true;
}

void SubtractInPlace(Wide& a, const Wide& b) {
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < Words; ++i) {
    const std::uint64_t d = a[i] - b[i];
    const std::uint64_t out = d - borrow;
    borrow = static_cast<std::uint64_t>(a[i] < b[i]) | static_cast<std::uint64_t>(d < borrow);
    a[i] = out;
  }
}

Wide ShiftedLeft(const Wide& a, unsigned s) {  // 0 <= s < 64
  Wide r{};
  for (std::size_t i = Words; i-- > 0;) {
    r[i] = a[i] << s;
    if (s != 0 && i > 0) r[i] |= a[i - 1] >> (64 - s);
  }
  return r;
}

void ShiftRightOne(Wide& a) {
  for (std::size_t i = 0; i < Words; ++i) {
    a[i] = (a[i] >> 1) | (i + 1 < Words ? a[i + 1] << 63 : 0);
  }
}

}  // namespace

bool ReduceModOrderVartime(std::uint64_t out[4], const TvlPoint& v) {
  const std::int32_t length = v.Length();
  if (length < 0 || length > TvlPoint::Capacity) return false;
  Wide a{};
  for (std::int32_t i = 1; i <= length; ++i) {
    const auto digit = static_cast<std::uint64_t>(v.Words[static_cast<std::size_t>(i)]) & 0xFFFF;
    a[static_cast<std::size_t>((i - 1) / 4)] |= digit << (16 * ((i - 1) % 4));
  }
  // a < 2^304 and n > 2^240: subtract n * 2^j for j = 63 down to 0 where it fits.
  Wide m = ShiftedLeft(OrderWords(), 63);
  for (int j = 63; j >= 0; --j) {
    if (AtLeast(a, m)) SubtractInPlace(a, m);
    ShiftRightOne(m);
  }
  for (int i = 0; i < 4; ++i) out[i] = a[static_cast<std::size_t>(i)];
  return true;
}

int WnafVartime(Wnaf& digits, const std::uint64_t k[4], int w) {
  // Walks the bits of k with a carry: a window whose top bit is set becomes a negative digit and
  // carries one into the bits above it. k < 2^255 leaves room for the last carry.
  const auto bits = [k](int at, int count) {
    const auto word = static_cast<std::size_t>(at / 64);
    const int shift = at % 64;
    std::uint64_t v = k[word] >> shift;
    if (shift != 0 && word + 1 < 4) v |= k[word + 1] << (64 - shift);
    return static_cast<int>(v & ((std::uint64_t{1} << count) - 1));
  };
  // The 64 bits from position at up (zero above bit 255).
  const auto window64 = [k](int at) {
    const auto word = static_cast<std::size_t>(at / 64);
    const int shift = at % 64;
    if (word >= 4) return std::uint64_t{0};
    std::uint64_t v = k[word] >> shift;
    if (shift != 0 && word + 1 < 4) v |= k[word + 1] << (64 - shift);
    return v;
  };
  digits.fill(0);
  int carry = 0;
  int length = 0;
  for (int at = 0; at < 256;) {
    // Bits equal to the carry give zero digits: skip the whole run.
    const std::uint64_t differ = window64(at) ^ (carry != 0 ? ~std::uint64_t{0} : 0);
    if (differ == 0) {
      at += 64;
      continue;
    }
    at += std::countr_zero(differ);
    if (at >= 256) break;
    const int count = std::min(w, 256 - at);
    int digit = bits(at, count) + carry;
    carry = (digit >> (w - 1)) & 1;
    digit -= carry << w;
    digits[static_cast<std::size_t>(at)] = static_cast<std::int8_t>(digit);
    length = at + 1;
    at += count;
  }
  return length;
}

}  // namespace eccrypt::fast
