#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Constant-time arithmetic on character values for the text forms. The value of a character and
// the character of a value are computed from ranges with masks, never looked up in a table or
// chosen by a branch, so the characters of a secret key steer neither addresses nor jumps.
//
// Characters and values are passed as 64-bit unsigned numbers: a character as its byte value
// 0..255, a value within the range each function states. A mask is all-ones (true) or zero.
#include <cstdint>

#include "ECCrypt/fast/ct.h"

namespace eccrypt::textct {

// All-ones when lo <= c <= hi, for c, lo and hi in 0..255: neither difference borrows into bit
// 63 exactly when c lies in the range.
inline std::uint64_t InRangeMask(std::uint64_t c, std::uint64_t lo, std::uint64_t hi) {
  return fast::CtBarrier(~fast::CtMaskFromBit(((c - lo) | (hi - c)) >> 63));
}

// All-ones when v >= k, for v in 0..255 and k in 1..255.
inline std::uint64_t AtLeastMask(std::uint64_t v, std::uint64_t k) {
  return fast::CtBarrier(fast::CtMaskFromBit((k - 1 - v) >> 63));
}

// 0..15 for 0-9, A-F and a-f; valid := all-ones for those characters, zero (with the value 0)
// for every other byte.
inline std::uint64_t HexDigitValue(std::uint64_t c, std::uint64_t& valid) {
  const std::uint64_t digit = InRangeMask(c, '0', '9');
  const std::uint64_t upper = InRangeMask(c, 'A', 'F');
  const std::uint64_t lower = InRangeMask(c, 'a', 'f');
  valid = digit | upper | lower;
  return (digit & (c - '0')) | (upper & (c - 'A' + 10)) | (lower & (c - 'a' + 10));
}

// The upper-case hex digit of v in 0..15: '0' + v, and 7 more from 10 on ('A' = '0' + 17).
inline char HexDigitChar(std::uint64_t v) {
  return static_cast<char>('0' + v + (7 & AtLeastMask(v, 10)));
}

// The radix-64 value of a character (alphabet "+-0-9A-Za-z"), 0 for '+' and for every byte
// outside the alphabet.
inline std::uint64_t Radix64Value(std::uint64_t c) {
  return (InRangeMask(c, '-', '-') & 1) | (InRangeMask(c, '0', '9') & (c - '0' + 2)) |
         (InRangeMask(c, 'A', 'Z') & (c - 'A' + 12)) | (InRangeMask(c, 'a', 'z') & (c - 'a' + 38));
}

// The radix-64 character of v in 0..63: the alphabet's runs start at the values 0 ('+' = 43),
// 1 ('-' = 45), 2 ('0' = 48), 12 ('A' = 65) and 38 ('a' = 97), so each run adds its gap.
inline char Radix64Char(std::uint64_t v) {
  return static_cast<char>(v + 43 + (1 & AtLeastMask(v, 1)) + (2 & AtLeastMask(v, 2)) +
                           (7 & AtLeastMask(v, 12)) + (6 & AtLeastMask(v, 38)));
}

}  // namespace eccrypt::textct
