#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The hexadecimal text form of an integer: four upper-case hex digits per 16-bit digit, zero
// filled, most significant digit first, exactly as many groups as the length word says. The
// integer zero is the empty text.
//
// Both directions are constant time in the characters and digits (secret keys and session keys
// pass through them): no branch and no table index depends on them. Only the lengths (of the
// text, and the length word) and the verdict of a refusal are public.
#include <cstddef>
#include <string>
#include <string_view>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {

// The hex digits, value i at position i: the characters IntegerToHex writes (it computes them
// by arithmetic, in constant time). For code that spells public bytes: tool, tests, fuzzers.
inline constexpr std::string_view HexDigitChars = "0123456789ABCDEF";

// The text of x. Throws std::out_of_range if x is not a valid record (length word outside
// 0..19 or a digit outside 0..65535), which no arithmetic produces.
std::string IntegerToHex(const TvlPoint& x);

// The check IntegerToHex makes before it writes, shared by every text form of an integer:
// throws std::out_of_range for a length word outside 0..19 or a digit outside 0..65535. Returns
// the length word, declared public: it sets the length of the text (the one thing about a
// secret value its text may reveal).
std::size_t WritableLength(const TvlPoint& x);

// Reads text into target: length word := length div 4, the first group of four characters
// becoming the top digit. 1 to 3 characters after the last whole group are ignored, so a text
// shorter than four characters reads as zero. The result is not normalised: "0000ABCD" gives
// length 2 with a zero top digit, and writes back the same. Digits above the new length are
// left as they were.
//
// Lower-case a-f read as A-F. Throws, leaving target unchanged, std::length_error for more than
// 19 whole groups and std::invalid_argument for any other character in a whole group.
void HexToInteger(std::string_view text, TvlPoint& target);

}  // namespace eccrypt
