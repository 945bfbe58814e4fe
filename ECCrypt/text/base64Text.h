#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The radix-64 text form: the bytes spelt by the hexadecimal form, two hex digits to a byte,
// encoded by TBase64. Writing an integer is IntegerToHex then HexToBase64; reading is
// Base64ToHex then HexToInteger. IntegerToBase64 and Base64ToInteger do each in one step,
// without the intermediate text, and give exactly the same results and refusals.
//
// Constant time in the characters and digits, like the hexadecimal form: the integer forms
// throughout, so that secret keys and session keys may pass; the text-to-text conversions
// except for the length of Base64ToHex's result (see TBase64::FinishDecode).
#include <string>
#include <string_view>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {

// HexToBase64(IntegerToHex(x)), with IntegerToHex's refusals.
std::string IntegerToBase64(const TvlPoint& x);

// HexToInteger(Base64ToHex(text), target), with its refusal of more than 19 digit groups
// (std::length_error, target unchanged). Whether the decoder's end rule adds a byte depends on
// the last character, so the length word may too; it is computed with masks all the same.
void Base64ToInteger(std::string_view text, TvlPoint& target);

// Encodes the bytes spelt by hex. Each character's half-byte value is (code - 48) mod 256, less
// a further 7 when that exceeds 9, which is 0..15 for 0-9 and A-F; the byte keeps the low eight
// bits of high * 16 + low. A text of odd length has its last character read as the high half of
// a final byte whose low half is 0 (as if a "0" followed it).
std::string HexToBase64(std::string_view hex);

// Decodes any text to pairs of upper-case hex digits. A text whose byte count was 2 mod 3 when
// encoded gives one extra "00" at the end, which HexToInteger ignores.
std::string Base64ToHex(std::string_view text);

}  // namespace eccrypt
